#pragma once

#include "picture.h"

#include <QEvent>
#include <QWidget>
#include <memory>

class QEnterEvent;

// Shows one picture inside its bounds: at its own size from the top-left
// corner, centred, stretched or tiled. It has no native window; it paints on
// its parent's surface, and tells Qt it is opaque when its picture covers it,
// so the parent's background under it is not painted for nothing.
class TProImage : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)
    Q_PROPERTY(bool Center READ Center WRITE setCenter)
    Q_PROPERTY(bool Stretch READ Stretch WRITE setStretch)
    Q_PROPERTY(bool Tiled READ Tiled WRITE setTiled)
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)
    Q_PROPERTY(bool IncrementalDisplay READ IncrementalDisplay WRITE setIncrementalDisplay)
    Q_PROPERTY(QString PictureFile READ PictureFile WRITE setPictureFile)
public:
    explicit TProImage(QWidget* parent = nullptr);
    ~TProImage() override;

    TPicture& Picture() { return *m_picture; }
    const TPicture& Picture() const { return *m_picture; }
    // Copies the given picture's graphic; the caller keeps its own.
    void setPicture(const TPicture& picture);

    // The file or resource the picture was last loaded from by setPictureFile,
    // the way .ui files store it. Loading failures throw Error.
    const QString& PictureFile() const { return m_pictureFile; }
    void setPictureFile(const QString& fileName);

    bool AutoSize() const { return m_autoSize; }
    // Runs the change step even when the value is unchanged.
    void setAutoSize(bool autoSize);
    bool Center() const { return m_center; }
    void setCenter(bool center);
    bool Stretch() const { return m_stretch; }
    void setStretch(bool stretch);
    bool Tiled() const { return m_tiled; }
    void setTiled(bool tiled);
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool transparent);
    bool IncrementalDisplay() const { return m_incrementalDisplay; }
    void setIncrementalDisplay(bool incremental) { m_incrementalDisplay = incremental; }

    // Handlers; each is optional. Progress handlers get the graphic being
    // decoded as sender, mouse handlers get this control.
    const TProgressEvent& OnProgress() const { return m_onProgress; }
    void setOnProgress(TProgressEvent handler) { m_onProgress = std::move(handler); }
    const TNotifyEvent& OnMouseEnter() const { return m_onMouseEnter; }
    void setOnMouseEnter(TNotifyEvent handler) { m_onMouseEnter = std::move(handler); }
    const TNotifyEvent& OnMouseLeave() const { return m_onMouseLeave; }
    void setOnMouseLeave(TNotifyEvent handler) { m_onMouseLeave = std::move(handler); }

    // Where the picture is drawn when not tiled, in control coordinates.
    QRect DestRect() const;
    // The graphic's palette, or 0.
    virtual TPaletteHandle GetPalette() const;

    // Sent (while painting) or posted to the control's window when a graphic
    // with a palette of its own asks to have it realised.
    static QEvent::Type QueryNewPaletteEvent();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void Progress(QObject* sender, TProgressStage stage, quint8 percentDone, bool redrawNow,
                          const QRect& rect, const QString& message);
    // Asks the window to realise the graphic's palette; true when it did.
    bool DoPaletteChange();

private:
    void PictureChanged();
    void paintTiles(QPainter& painter) const;

    std::unique_ptr<TPicture> m_picture;
    QString m_pictureFile;
    bool m_autoSize = false;
    bool m_stretch = false;
    bool m_center = false;
    bool m_tiled = false;
    bool m_incrementalDisplay = false;
    bool m_transparent = false;
    bool m_drawing = false;
    TProgressEvent m_onProgress;
    TNotifyEvent m_onMouseEnter;
    TNotifyEvent m_onMouseLeave;
};
