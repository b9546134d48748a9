#pragma once

#include <QObject>
#include <functional>
#include <utility>
#include <vector>

class QWidget;

// What a hook on the application window gets to see of its messages.
enum class ApplicationWindowMessage
{
    // The window has just been minimised (it was not before).
    Minimized,
};

// The hooks on the application window. Each hook sees the window's messages
// before the framework and the window itself handle them; the newest hook sees
// them first, as in a chain of subclassed window procedures. Here the
// application window is the main form: it carries the taskbar entry.
class ApplicationWindowHooks final : public QObject
{
    Q_OBJECT
public:
    using Hook = std::function<void(ApplicationWindowMessage)>;
    using HookId = int;

    // window names the application window at the time a message arrives.
    ApplicationWindowHooks(std::function<QWidget*()> window, QObject* parent = nullptr);
    ~ApplicationWindowHooks() override;
    Q_DISABLE_COPY_MOVE(ApplicationWindowHooks)

    HookId Install(Hook hook);
    // Undoes Install; an id already removed changes nothing.
    void Remove(HookId id);
    int Count() const { return static_cast<int>(m_hooks.size()); }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<QWidget*()> m_window;
    std::vector<std::pair<HookId, Hook>> m_hooks;
    HookId m_nextId = 1;
};
