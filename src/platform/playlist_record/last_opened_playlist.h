#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace platform {

// The last ".pls" playlist handed to the desktop's player: its addresses and
// the application it went to. The shell layer records each playlist it opens;
// the player layer reads it back, to tell the player that plays it among
// several and to probe a stream for players that do not say what they play.
class LastOpenedPlaylist final
{
public:
    // Reads the ".pls" playlist's "FileN" entries with an http(s) address, in
    // the order of their numbers (at most 64 KiB of the file are read), and
    // notes the desktop id of the application it was handed to (empty when
    // none took it). Other files leave the record as it was.
    void Record(const QString& file, const QString& application);
    // The lowest-numbered address, or empty.
    QUrl FirstEntry() const { return m_entries.value(0); }
    const QList<QUrl>& Entries() const { return m_entries; }
    QString Application() const { return m_application; }

private:
    QList<QUrl> m_entries;
    QString m_application;
};

} // namespace platform
