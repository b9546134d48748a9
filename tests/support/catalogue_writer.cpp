#include "catalogue_writer.h"

#include <QFile>

namespace {

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

} // namespace

bool WriteDenseCatalogue(const FixedPaths& paths, const QList<QPair<QString, QString>>& stations,
                         const PlaylistBytes& playlist)
{
    bool written = paths.CreateFolders();
    QByteArray text;
    for (int slot = 0; slot < stations.size(); ++slot) {
        text += QStringLiteral("[%1]\nnumer=%1\nnazwa=%2\nopis=%3\n")
                    .arg(slot)
                    .arg(stations[slot].first, stations[slot].second)
                    .toUtf8();
        const QByteArray bytes = playlist
                                     ? playlist(slot, stations[slot].first)
                                     : "[playlist]\nnumberofentries=1\nFile1=http://127.0.0.1:9/" +
                                           QByteArray::number(slot) + "\n";
        written = Write(paths.PlaylistFile(slot), bytes) && written;
    }
    return Write(paths.catalogueFile, text) && written;
}
