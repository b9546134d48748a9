#include "command_line.h"

#include "version.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <cstdio>

namespace {

constexpr int kUsageError = 2;
const QString kProgram = QStringLiteral("wavedock");

void Print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

// The options that QGuiApplication, QApplication and the X11 platform plugin take
// for themselves; they are theirs to use, so they are known here but not listed.
void AddToolkitOptions(QCommandLineParser& parser)
{
    const QStringList withValue{
        QStringLiteral("platform"),      QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"), QStringLiteral("plugin"),
        QStringLiteral("qmljsdebugger"), QStringLiteral("qwindowgeometry"),
        QStringLiteral("qwindowicon"),   QStringLiteral("qwindowtitle"),
        QStringLiteral("session"),       QStringLiteral("display"),
        QStringLiteral("geometry"),      QStringLiteral("name"),
        QStringLiteral("style"),         QStringLiteral("stylesheet")};
    const QStringList flags{QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                            QStringLiteral("nograb"), QStringLiteral("dograb"),
                            QStringLiteral("sync")};
    for (const QString& name : withValue) {
        QCommandLineOption option(name, QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const QString& name : flags) {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

} // namespace

std::optional<int> AnswerCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    // Toolkit options are single-dash words ("-platform"), not bundles of letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Wavedock, a desktop manager for internet radio stations."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    AddToolkitOptions(parser);

    const bool parsed = parser.parse(arguments);
    // --help-all would add the toolkit's options; our short help serves both.
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        // The parser takes the program's name from an application object, which
        // does not exist yet.
        QString text = parser.helpText();
        text.replace(QRegularExpression(QStringLiteral("^Usage: \\S*")),
                     QStringLiteral("Usage: ") + kProgram);
        Print(stdout, text);
        return 0;
    }
    if (parser.isSet(version)) {
        Print(stdout, kProgram + QLatin1Char(' ') + QLatin1String(kVersion) + QLatin1Char('\n'));
        return 0;
    }

    QString error;
    if (!parsed)
        error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        error = QStringLiteral("Unexpected argument '%1': Wavedock takes no files or addresses.")
                    .arg(parser.positionalArguments().constFirst());
    else
        return std::nullopt;
    Print(stderr, kProgram + QStringLiteral(": ") + error + QLatin1Char('\n') +
                      QStringLiteral("Try 'wavedock --help' for more information.\n"));
    return kUsageError;
}

QStringList ArgumentList(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}
