#pragma once

#include <QObject>

// A non-visual component of a window: properties with declared defaults, set
// while its owner is being built, and one end-of-loading step that the owner
// runs once all of its components have their settings.
class TabfComponent : public QObject
{
    Q_OBJECT
public:
    explicit TabfComponent(QObject* owner = nullptr) : QObject(owner) {}

    // The owner window has been loaded.
    virtual void Loaded() {}
};
