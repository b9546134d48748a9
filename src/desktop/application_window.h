#pragma once

#include "top_level_windows.h"

#include <QObject>

// The class name copies publish and look up each other's application window by.
inline const QString kApplicationWindowClass = QStringLiteral("TApplication");

// This copy's application window as the user's other programs see it: published
// by kApplicationWindowClass and the application title as soon as the
// message loop runs (a copy that ends before its loop runs is never seen), and
// brought back when another copy asks, by showing the main form again.
class ApplicationWindow final : public QObject, public platform::WindowOwner
{
    Q_OBJECT
public:
    explicit ApplicationWindow(platform::TopLevelWindows& windows, QObject* parent = nullptr);
    ~ApplicationWindow() override;
    Q_DISABLE_COPY_MOVE(ApplicationWindow)

    bool IsIconic() const override;
    void OpenIcon(const QString& activationToken) override;
    void SetForegroundWindow(const QString& activationToken) override;

private:
    void Publish();

    platform::TopLevelWindows& m_windows;
};
