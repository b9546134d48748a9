#include "window_system.h"

#include <QByteArray>
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {
char kPlatformOption[] = "-platform";
char kX11[] = "xcb";
char kWayland[] = "wayland";

bool NamesPlatform(const QString& argument)
{
    // Qt takes "-platform NAME"; "--platform" and "=NAME" as well.
    for (const QString& form : {QStringLiteral("-platform"), QStringLiteral("--platform")})
        if (argument == form || argument.startsWith(form + QLatin1Char('=')))
            return true;
    return false;
}

// Why no X server can be used here; empty when one answers. Qt's own attempt
// would abort the program instead of trying the next window system.
QString WhyNoX11()
{
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral("DISPLAY is not set");
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    const bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    return failed ? QStringLiteral("no X server lets us in at DISPLAY=%1")
                        .arg(QString::fromLocal8Bit(display))
                  : QString();
}

// Why no Wayland compositor can be used here; empty when one answers. The
// socket is found as the Wayland client library finds it.
QString WhyNoWayland()
{
    if (!qEnvironmentVariableIsEmpty("WAYLAND_SOCKET"))
        return {}; // a connection handed down by the compositor itself
    QByteArray socketPath = qgetenv("WAYLAND_DISPLAY");
    if (socketPath.isEmpty())
        socketPath = "wayland-0";
    if (!socketPath.startsWith('/')) {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        if (runtime.isEmpty())
            return QStringLiteral("XDG_RUNTIME_DIR is not set to find a Wayland compositor in");
        socketPath = runtime + '/' + socketPath;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    bool answered = false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && socketPath.size() < qsizetype(sizeof address.sun_path)) {
        std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
        answered = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    if (fd >= 0)
        ::close(fd);
    return answered ? QString()
                    : QStringLiteral("no Wayland compositor answers at %1")
                          .arg(QString::fromLocal8Bit(socketPath));
}
} // namespace

WindowSystemChoice::WindowSystemChoice(int argc, char** argv) : m_argv(argv, argv + argc)
{
    bool chosenByUser = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    for (int i = 1; i < argc; ++i)
        chosenByUser = chosenByUser || NamesPlatform(QString::fromLocal8Bit(argv[i]));
    if (!chosenByUser) {
        const QString noX11 = WhyNoX11();
        const QString noWayland = noX11.isEmpty() ? QString() : WhyNoWayland();
        if (noX11.isEmpty() || noWayland.isEmpty()) {
            m_argv.push_back(kPlatformOption);
            m_argv.push_back(noX11.isEmpty() ? kX11 : kWayland);
        } else {
            m_failure = QStringLiteral("no display to show its window on: %1, and %2")
                            .arg(noX11, noWayland);
        }
    }
    m_argc = static_cast<int>(m_argv.size());
    m_argv.push_back(nullptr);
}

bool CompositorDrawsWindows()
{
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland")))
        return true;
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    // The first screen's: Qt opens the display on it.
    const QByteArray selection = "_NET_WM_CM_S0";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 1, static_cast<uint16_t>(selection.size()),
                        selection.constData()),
        nullptr);
    if (!atom)
        return false;
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool owned = atom->atom != XCB_ATOM_NONE && owner && owner->owner != XCB_NONE;
    std::free(owner);
    std::free(atom);
    return owned;
}
