#include "window_system.h"

#include <QByteArray>
#include <QGuiApplication>
#include <cstdlib>
#include <xcb/xcb.h>

namespace {
char kPlatformOption[] = "-platform";
char kX11[] = "xcb";

bool NamesPlatform(const QString& argument)
{
    // Qt takes "-platform NAME"; "--platform" and "=NAME" as well.
    for (const QString& form : {QStringLiteral("-platform"), QStringLiteral("--platform")})
        if (argument == form || argument.startsWith(form + QLatin1Char('=')))
            return true;
    return false;
}
} // namespace

QString WindowSystemChoice::Chosen(const QStringList& arguments, bool displaySet, bool platformSet)
{
    if (!displaySet || platformSet)
        return {};
    for (const QString& argument : arguments)
        if (NamesPlatform(argument))
            return {};
    return QString::fromLatin1(kX11);
}

WindowSystemChoice::WindowSystemChoice(int argc, char** argv) : m_argv(argv, argv + argc)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const bool choose = !Chosen(arguments, !qEnvironmentVariableIsEmpty("DISPLAY"),
                                !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                             .isEmpty();
    if (choose) {
        m_argv.push_back(kPlatformOption);
        m_argv.push_back(kX11);
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
