#include "window_system.h"

#include <QByteArray>

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
