#pragma once

#include "fixed_paths.h"
#include "ini_file.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

struct CatalogueJournal;
namespace platform {
class FileLock;
}

inline constexpr char kInstallFailedMessage[] = "Error while installing file. Please try again.";

// The station catalogue: the INI file of 501 numbered slots and one playlist
// file per occupied slot. It holds paths only; every operation reads the file
// afresh, so the file is the one source of truth. It shows nothing itself:
// results are returned and write failures are thrown as Error.
//
// The catalogue and its playlists change as one unit: every change holds the
// lock file beside the catalogue (so no two processes interleave), and a crash
// at any moment leaves, once Recover has run, the stations as they were before
// the change or as they are after it, each with its own playlist. A playlist is
// in its slot's file before the catalogue names the station; a deletion keeps a
// journal beside the catalogue until its playlist files have followed.
class CatalogueStore final
{
public:
    static constexpr int kSlotCount = 501; // slots 0 to 500

    explicit CatalogueStore(FixedPaths paths);

    enum class Health
    {
        Readable, // absent counts as readable: an empty catalogue
        Unreadable,
    };
    // Run at start, before the list is filled: finishes or undoes a change that
    // a crash cut short and removes the hidden files of interrupted writes; it
    // never waits: while another copy holds the lock it leaves the files alone. An
    // unreadable catalogue is reported and left as it is: no change writes it
    // until it can be read again.
    Health Recover();
    // Names the file; for the message box at start.
    QString UnreadableMessage() const;
    // Names the file. Every change (install, delete, new description) to a
    // catalogue its owner may not write throws it as Error, changing nothing.
    QString ReadOnlyMessage() const;

    // One row per occupied slot, in slot order: "n) name - description".
    QStringList StationRows() const;

    enum class InstallResult
    {
        Installed,
        PlaylistNotMoved, // the caller shows kInstallFailedMessage
        CatalogueFull,    // nothing written, nothing to show
    };
    // Takes the lowest free slot: the temporary playlist becomes its playlist
    // file (replacing a leftover file of that free slot), then the catalogue
    // names the station, then the temporary playlist goes. When the playlist
    // cannot be placed nothing is written and it stays for another try.
    InstallResult InstallStation(const QString& name, const QString& description);
    // Removes a station; every later station moves down one slot with its
    // playlist file. A file that cannot be moved is thrown as Error with
    // nothing changed.
    void DeleteStation(int slot);
    void SetStationDescription(int slot, const QString& description);

    QString StationName(int slot) const;        // "Error" when missing
    QString StationDescription(int slot) const; // "Error." when missing
    QString PlaylistFile(int slot) const;

    // The handle on the catalogue file that the main window keeps.
    const TIniFile& Handle() const { return m_handle; }

    // Called at every step boundary of a change (tests stop the process there).
    void SetStepHook(std::function<void()> hook) { m_stepHook = std::move(hook); }

private:
    QString LockFile() const;
    QString JournalFile() const;
    QString StagedPlaylist(int slot) const;
    // Takes the writers' lock and completes or undoes a change a crash cut
    // short; throws when the lock cannot be had. The change itself then goes
    // through platform::UpdateProfile: the catalogue read once, never written
    // over when it cannot be read, and replaced in one step as the commit.
    std::unique_ptr<platform::FileLock> BeginChange() const;
    bool Stage(const QString& playlist, const QString& staged) const;
    void FinishInterruptedChange() const;
    // Does a committed deletion's playlist steps, then drops its journal.
    void CompleteChange(const CatalogueJournal& journal) const;
    // The playlist folder reaches the disk, then the journal goes.
    void DropJournal() const;
    void Step() const;
    [[noreturn]] void ThrowUnableToWrite(const QString& path) const;

    FixedPaths m_paths;
    TIniFile m_handle;
    std::function<void()> m_stepHook;
};
