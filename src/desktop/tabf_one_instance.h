#pragma once

#include "tabf_component.h"

#include <QString>
#include <functional>

namespace platform {
class NamedMutexes;
class TopLevelWindows;
} // namespace platform

// May keep a second copy running by setting terminate to false.
using TabfOneInstanceShowMessage = std::function<void(QObject* sender, bool& terminate)>;

// Lets one copy of the program run. At the end of its window's loading it asks
// whether another copy holds the instance mutex; if so it brings that copy's
// application window forward and ends this copy before its main window shows.
// Otherwise this copy owns the instance mutex until the program ends.
class TabfOneInstance final : public TabfComponent
{
    Q_OBJECT
public:
    // Without the two layers (a window built by a test) no other copy is ever seen.
    TabfOneInstance(platform::NamedMutexes* mutexes, platform::TopLevelWindows* windows,
                    QObject* owner = nullptr);

    bool ActivatePrevInstance = true;
    bool ExeNameAsIdentifier = false;
    QString Message;
    QString Identifier;
    bool ShowMessage = false;
    TabfOneInstanceShowMessage OnShowMessage;

    // A check that fails says why on stderr and ends this copy with exit code 1.
    void Loaded() override;

    // "<title or upper-case executable path><Identifier>.OneInstance.", with
    // every backslash made a forward slash.
    QString InstanceNameBase() const;
    // True when another copy is running. A lock that cannot be taken (its
    // file cannot be opened or locked) is thrown as Error, naming the file.
    bool Check();
    // Ends this copy (unless OnShowMessage says otherwise), after bringing the
    // other copy forward.
    void SecondCopyReaction();

    // The standard text of the "already running" message, for the title given.
    static QString StandardMessage(const QString& title);

private:
    void ShowAlreadyRunning() const;
    void ActivatePreviousInstance();

    platform::NamedMutexes* m_mutexes;
    platform::TopLevelWindows* m_windows;
};
