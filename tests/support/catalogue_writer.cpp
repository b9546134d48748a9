#include "catalogue_writer.h"

#include <QFile>

void WriteDenseCatalogue(const FixedPaths& paths, const QList<QPair<QString, QString>>& stations)
{
    paths.CreateFolders();
    QByteArray text;
    for (int slot = 0; slot < stations.size(); ++slot) {
        text += QStringLiteral("[%1]\nnumer=%1\nnazwa=%2\nopis=%3\n")
                    .arg(slot)
                    .arg(stations[slot].first, stations[slot].second)
                    .toUtf8();
        QFile playlist(paths.PlaylistFile(slot));
        if (playlist.open(QIODevice::WriteOnly | QIODevice::Truncate))
            playlist.write("[playlist]\nnumberofentries=1\nFile1=http://127.0.0.1:9/" +
                           QByteArray::number(slot) + "\n");
    }
    QFile catalogue(paths.catalogueFile);
    if (catalogue.open(QIODevice::WriteOnly | QIODevice::Truncate))
        catalogue.write(text);
}
