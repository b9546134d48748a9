#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QVector>

// A list of images for the tray icon to cycle through; edits are announced so
// that a component showing one of them can refresh.
class TImageList final : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    int Count() const { return m_images.size(); }
    QIcon Image(int index) const { return m_images.value(index); }
    void Add(const QIcon& image)
    {
        m_images.append(image);
        Q_EMIT Changed();
    }
    void Clear()
    {
        m_images.clear();
        Q_EMIT Changed();
    }

Q_SIGNALS:
    void Changed();

private:
    QVector<QIcon> m_images;
};

// A popup menu that remembers which component last showed it. With
// AutoPopup off, components leave it alone.
class TPopupMenu final : public QMenu
{
    Q_OBJECT
public:
    using QMenu::QMenu;

    bool AutoPopup = true;
    QObject* PopupComponent = nullptr;
};
