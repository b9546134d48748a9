#include "tabf_one_instance.h"

#include "application.h"
#include "application_window.h"
#include "error.h"
#include "named_mutexes.h"
#include "top_level_windows.h"
#include "window_placement.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <memory>

namespace {

// The instance mutex, held from the check to the end of the process (one per
// process, whichever window's guard took it).
struct InstanceMutexHolder
{
    ~InstanceMutexHolder()
    {
        if (mutex)
            mutex->Release();
    }
    std::unique_ptr<platform::NamedMutex> mutex;
    QString name;
    bool owned = false;
};
InstanceMutexHolder instanceMutex;

// The guard may run before the application object exists.
QString ExecutablePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

[[noreturn]] void ThrowCannotLock(const QString& name, const QString& failure)
{
    throw Error(failure.isEmpty() ? QStringLiteral("cannot take the lock %1").arg(name) : failure);
}

} // namespace

TabfOneInstance::TabfOneInstance(platform::NamedMutexes* mutexes,
                                 platform::TopLevelWindows* windows, QObject* owner)
    : TabfComponent(owner), m_mutexes(mutexes), m_windows(windows)
{
}

void TabfOneInstance::Loaded()
{
    try {
        if (Check())
            SecondCopyReaction();
    } catch (const Error& error) {
        // No window is shown yet: the terminal is where this can be read.
        qCritical("%s cannot start: %s.", qPrintable(Application::Title()),
                  qPrintable(error.message()));
        if (Application* app = Application::instance()) {
            app->setShowMainForm(false);
            app->TerminateWithExitCode(1);
        }
    }
}

QString TabfOneInstance::InstanceNameBase() const
{
    const QString base = ExeNameAsIdentifier ? ExecutablePath().toUpper() : Application::Title();
    QString name = base + Identifier + QStringLiteral(".OneInstance.");
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return name;
}

bool TabfOneInstance::Check()
{
    if (!m_mutexes)
        return false;
    const QString base = InstanceNameBase();
    const QString instanceName = base + QStringLiteral("Default");
    // A start checks once. A guard that runs after an earlier one of this
    // process took the instance mutex keeps that answer: checking again could
    // meet another copy's check holding the guard and end this copy, which
    // that other copy in turn counts as running.
    if (instanceMutex.owned && instanceMutex.name == instanceName)
        return false;
    // The guard keeps two copies that start together from both passing: the
    // later one finds it taken and counts as the second copy.
    // Only a lock that another copy holds means "another copy runs": a lock
    // that cannot be taken at all is thrown, never taken for a running copy.
    const QString guardName = base + QStringLiteral("CriticalSection");
    platform::NamedMutexes::Created guard = m_mutexes->Create(guardName, true);
    if (guard.alreadyExisted)
        return true;
    if (!guard.mutex)
        ThrowCannotLock(guardName, guard.failure);
    // A lock held through an earlier handle of this process would refuse the new
    // one, so the earlier handle goes first; the guard keeps others out meanwhile.
    instanceMutex.mutex.reset();
    platform::NamedMutexes::Created instance = m_mutexes->Create(instanceName, false);
    instanceMutex.mutex = std::move(instance.mutex);
    instanceMutex.name = instanceName;
    instanceMutex.owned = instanceMutex.mutex && instanceMutex.mutex->TryWait();
    guard.mutex->Release();
    if (!instanceMutex.mutex)
        ThrowCannotLock(instanceName, instance.failure);
    if (!instanceMutex.owned && !instanceMutex.mutex->WaitFailure().isEmpty())
        ThrowCannotLock(instanceName, instanceMutex.mutex->WaitFailure());
    return !instanceMutex.owned;
}

void TabfOneInstance::SecondCopyReaction()
{
    bool terminate = true;
    Application* app = Application::instance();
    const bool showMainForm = app ? app->showMainForm() : true;
    if (app)
        app->setShowMainForm(false);
    if (ShowMessage) {
        if (OnShowMessage)
            OnShowMessage(this, terminate);
        else
            ShowAlreadyRunning();
    }
    if (ActivatePrevInstance)
        ActivatePreviousInstance();
    if (!app)
        return;
    if (terminate)
        app->Terminate();
    else
        app->setShowMainForm(showMainForm);
}

QString TabfOneInstance::StandardMessage(const QString& title)
{
    return QStringLiteral("Application \"%1\" is already running.").arg(title);
}

void TabfOneInstance::ShowAlreadyRunning() const
{
    const QString title = Application::Title();
    QMessageBox box(QMessageBox::Warning, title,
                    Message.isEmpty() ? StandardMessage(title) : Message, QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.adjustSize();
    CentreOnScreen(box);
    box.exec();
}

void TabfOneInstance::ActivatePreviousInstance()
{
    if (!m_windows)
        return;
    const QString title = Application::Title();
    platform::PublishedWindow window = m_windows->FindWindowEx(0, kApplicationWindowClass, title);
    while (window != 0 && window == m_windows->OwnWindow())
        window = m_windows->FindWindowEx(window, kApplicationWindowClass, title);
    if (window == 0 || !m_windows->IsWindow(window))
        return;
    if (m_windows->IsIconic(window))
        m_windows->OpenIcon(window);
    else
        m_windows->SetForegroundWindow(window);
}
