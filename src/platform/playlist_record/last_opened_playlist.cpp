#include "last_opened_playlist.h"

#include <QFile>
#include <QRegularExpression>
#include <map>

namespace platform {

void LastOpenedPlaylist::Record(const QString& file, const QString& application)
{
    if (!file.endsWith(QLatin1String(".pls"), Qt::CaseInsensitive))
        return;
    // A new playlist replaces the record even when it gives no address: the
    // old station no longer plays.
    m_entries.clear();
    m_application = application;
    QFile playlist(file);
    if (!playlist.open(QIODevice::ReadOnly))
        return;
    // Playlists are a few lines; a larger file is not read past its start.
    const QString text = QString::fromUtf8(playlist.read(64 * 1024));
    static const QRegularExpression entry(QStringLiteral("^\\s*File(\\d+)\\s*=\\s*(\\S.*?)\\s*$"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::MultilineOption);
    std::map<qulonglong, QUrl> byNumber; // the first of a repeated number counts
    for (auto match = entry.globalMatch(text); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        bool numbered = false;
        const qulonglong number = found.captured(1).toULongLong(&numbered);
        const QUrl url(found.captured(2));
        const bool web =
            url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
        if (numbered && web)
            byNumber.emplace(number, url);
    }
    for (const auto& [number, url] : byNumber)
        m_entries.append(url);
}

} // namespace platform
