// Shows the splash alone, as the program would on this desktop, and prints
// "shown" once it is on screen and "gone" when its own timer has closed it.
#include "application.h"
#include "application_setup.h"
#include "tsplash.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <utility>

namespace {
class FirstPaint final : public QObject
{
public:
    explicit FirstPaint(std::function<void()> then) : m_then(std::move(then)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_then)
            std::exchange(m_then, nullptr)();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_then;
};
} // namespace

int main(int argc, char** argv)
{
    PrepareApplication();
    Application app(argc, argv);
    ConfigureApplication(app);
    QPointer<Tsplash> splash = new Tsplash(nullptr);
    // Shortly after its first paint, which has then reached the window system.
    FirstPaint painted([] {
        QTimer::singleShot(300, [] {
            std::printf("shown\n");
            std::fflush(stdout);
        });
    });
    splash->installEventFilter(&painted);
    for (QWidget* part : splash->findChildren<QWidget*>())
        part->installEventFilter(&painted);
    splash->show();
    QObject::connect(splash, &QObject::destroyed, [] {
        std::printf("gone\n");
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    return app.exec();
}
