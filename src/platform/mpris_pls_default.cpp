#include "mpris_pls_default.h"

#include <QFile>
#include <QStandardPaths>
#include <QStringList>
#include <QTextStream>

namespace platform {

namespace {

const QString playlistType = QStringLiteral("audio/x-scpls");
const QString mprisPrefix = QStringLiteral("org.mpris.MediaPlayer2.");

// The first desktop id listed for the playlist type under [Default
// Applications] in one file, or empty.
QString DefaultInFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    bool inDefaults = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inDefaults = line == QLatin1String("[Default Applications]");
            continue;
        }
        if (!inDefaults)
            continue;
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals < 0 || line.left(equals).trimmed() != playlistType)
            continue;
        const QStringList ids = line.mid(equals + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString& id : ids) {
            if (!id.trimmed().isEmpty())
                return id.trimmed();
        }
    }
    return {};
}

// The candidate files in the freedesktop order: the user's and the system's
// configuration, then the applications folders; in each folder the desktop's
// own list comes before the generic one.
QStringList MimeAppsFiles()
{
    QStringList desktopNames;
    for (const QString& name :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        desktopNames << name.toLower() + QStringLiteral("-mimeapps.list");
    desktopNames << QStringLiteral("mimeapps.list");

    QStringList files;
    const auto addFolders = [&](const QStringList& folders, const QStringList& names) {
        for (const QString& folder : folders) {
            for (const QString& name : names)
                files << folder + QLatin1Char('/') + name;
        }
    };
    addFolders(QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation),
               desktopNames);
    addFolders(QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation),
               desktopNames + QStringList{QStringLiteral("defaults.list")});
    return files;
}

QString WithoutDesktopSuffix(QString id)
{
    if (id.endsWith(QLatin1String(".desktop")))
        id.chop(8);
    return id;
}

} // namespace

QString PlaylistDefaultApplication()
{
    for (const QString& path : MimeAppsFiles()) {
        const QString id = DefaultInFile(path);
        if (!id.isEmpty())
            return id;
    }
    return {};
}

bool IsPlayerOfDesktopEntry(const QString& busName, const QString& playerDesktopEntry,
                            const QString& desktopId)
{
    const QString wanted = WithoutDesktopSuffix(desktopId);
    if (wanted.isEmpty())
        return false;
    if (!playerDesktopEntry.isEmpty() &&
        WithoutDesktopSuffix(playerDesktopEntry).compare(wanted, Qt::CaseInsensitive) == 0)
        return true;
    // "org.mpris.MediaPlayer2.vlc.instance42" is "vlc"; players that give no
    // DesktopEntry are usually named after their desktop file.
    if (!busName.startsWith(mprisPrefix))
        return false;
    const QString player = busName.mid(mprisPrefix.size()).section(QLatin1Char('.'), 0, 0);
    return player.compare(wanted, Qt::CaseInsensitive) == 0 ||
           player.compare(wanted.section(QLatin1Char('.'), -1), Qt::CaseInsensitive) == 0;
}

} // namespace platform
