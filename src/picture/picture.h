#pragma once

#include "graphic.h"

#include <QObject>
#include <memory>

// Owns at most one graphic and forwards its change and progress reports.
// Copying a picture (Assign) copies its graphic; no two pictures share one.
class TPicture final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TPicture)
public:
    TPicture();
    ~TPicture() override;

    // The graphic's size; 0 x 0 without one.
    int Width() const;
    int Height() const;

    TGraphic* Graphic() const { return m_graphic.get(); }
    // Takes the graphic (or none) and reports the change.
    void setGraphic(std::unique_ptr<TGraphic> graphic);
    void Assign(const TPicture& source);
    void Clear() { setGraphic(nullptr); }

    // Loads a JPEG or a 24-bit bitmap, told apart by their contents, from a
    // file or a Qt resource path (":/pictures/header.jpg"). On failure it
    // throws Error naming the file and keeps the graphic it had. A file of the
    // same name with "@2x" before its suffix, if there is one, is loaded too
    // as the graphic's double-size pixels.
    void LoadFromFile(const QString& fileName);
    void LoadFromData(const QByteArray& data);

    // Both draw nothing without a graphic; Draw also nothing for an empty one.
    void StretchDraw(QPainter& painter, const QRect& target) const;
    void Draw(QPainter& painter, const QPoint& at) const;

Q_SIGNALS:
    void changed(QObject* sender);
    void progress(QObject* sender, TProgressStage stage, quint8 percentDone, bool redrawNow,
                  const QRect& rect, const QString& message);

private:
    void adopt(std::unique_ptr<TGraphic> graphic);

    std::unique_ptr<TGraphic> m_graphic;
};
