#include "fixed_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kFolder = QStringLiteral("wavedock");

FixedPaths Layout(const QString& dataRoot, const QString& cacheRoot, const QString& readme,
                  const QString& licence)
{
    FixedPaths paths;
    const QString data = dataRoot + QLatin1Char('/') + kFolder;
    paths.catalogueFile = data + QStringLiteral("/wavedock.lst");
    paths.radiosFolder = data + QStringLiteral("/Radios");
    paths.temporaryPlaylist = cacheRoot + QLatin1Char('/') + kFolder + QStringLiteral("/temp.pls");
    paths.readmeFile = readme;
    paths.licenceFile = licence;
    return paths;
}

} // namespace

QString FixedPaths::PlaylistFile(int slot) const
{
    return radiosFolder + QLatin1Char('/') + QString::number(slot) + QStringLiteral(".pls");
}

FixedPaths FixedPaths::ForCurrentUser()
{
    const QString executableFolder = QCoreApplication::applicationDirPath();
    return Layout(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                  QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation),
                  ShippedFile(executableFolder, QStringLiteral("wavedock.txt")),
                  ShippedFile(executableFolder, QStringLiteral("LICENSE")));
}

QString FixedPaths::ShippedFile(const QString& executableFolder, const QString& name)
{
    const QString installed =
        QDir::cleanPath(executableFolder + QStringLiteral("/../share/wavedock/") + name);
    return QFileInfo::exists(installed) ? installed : executableFolder + QLatin1Char('/') + name;
}

FixedPaths FixedPaths::Under(const QString& root)
{
    return Layout(root + QStringLiteral("/data"), root + QStringLiteral("/cache"),
                  root + QStringLiteral("/wavedock.txt"), root + QStringLiteral("/LICENSE"));
}

bool FixedPaths::CreateFolders(QString* notMade) const
{
    const QDir root;
    bool allMade = true;
    // Each is tried, so one that fails does not keep the others from being made.
    for (const QString& folder : {QFileInfo(catalogueFile).absolutePath(), radiosFolder,
                                  QFileInfo(temporaryPlaylist).absolutePath()}) {
        if (root.mkpath(folder))
            continue;
        if (allMade && notMade)
            *notMade = QDir::toNativeSeparators(folder);
        allMade = false;
    }
    return allMade;
}
