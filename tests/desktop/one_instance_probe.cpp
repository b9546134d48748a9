// A small program with the single-instance guard and nothing else, for tests
// that start real copies. It prints "ready" once its loop runs, and "shown" and
// "active" when its main form comes back. Like the program it checks early,
// before the application object exists, and then again through the form's
// guard. Options: --identifier TEXT, and --hidden (the main form goes away as
// into the notification area).
#include "application.h"
#include "application_window.h"
#include "local_socket_windows.h"
#include "lock_file_mutexes.h"
#include "tabf_one_instance.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

void Say(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

class Reporter final : public QObject
{
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            Say("shown");
        else if (event->type() == QEvent::WindowActivate)
            Say("active");
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const qsizetype identifierAt = arguments.indexOf(QStringLiteral("--identifier"));
    const QString identifier = identifierAt >= 0 ? arguments.value(identifierAt + 1) : QString();
    const bool hidden = arguments.contains(QStringLiteral("--hidden"));

    const QString folder = platform::LockFileMutexes::RuntimeFolder();
    platform::LockFileMutexes mutexes(folder);
    platform::LocalSocketWindows windows(
        folder, platform::LocalSocketWindows::ActivationTokenFromEnvironment());
    {
        TabfOneInstance early(&mutexes, &windows);
        early.Identifier = identifier;
        if (early.Check()) {
            early.SecondCopyReaction();
            return 0;
        }
    }

    Application app(argc, argv);

    QWidget form;
    form.resize(240, 120);
    Reporter reporter;
    form.installEventFilter(&reporter);
    app.setMainForm(&form);

    TabfOneInstance once(&mutexes, &windows);
    once.Identifier = identifier;
    once.Loaded();

    ApplicationWindow applicationWindow(windows);
    // Queued after the publication, so "ready" means other copies can find us.
    QTimer::singleShot(0, &form, [&form, hidden] {
        if (hidden)
            form.hide();
        Say("ready");
    });
    return app.Run();
}
