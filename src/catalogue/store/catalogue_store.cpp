#include "catalogue_store.h"

#include "catalogue_journal.h"
#include "error.h"
#include "file_lock.h"
#include "file_operations.h"
#include "profile_document.h"
#include "profile_file.h"

#include <QFileInfo>
#include <memory>
#include <optional>
#include <vector>

namespace {

const QString kNumber = QStringLiteral("numer");
const QString kName = QStringLiteral("nazwa");
const QString kDescription = QStringLiteral("opis");
const QString kNameMissing = QStringLiteral("Error");
const QString kDescriptionMissing = QStringLiteral("Error.");
// A station moved down by a deletion gets this description when it had none.
const QString kMovedDescriptionMissing = QStringLiteral("Error");
constexpr int kLastSlot = CatalogueStore::kSlotCount - 1;

QString Section(int slot)
{
    return QString::number(slot);
}

bool IsOccupied(const platform::ProfileDocument& catalogue, int slot)
{
    return catalogue.HasKey(Section(slot), kName);
}

bool IsSlot(int slot)
{
    return slot >= 0 && slot <= kLastSlot;
}

void WriteStation(platform::ProfileDocument& catalogue, int slot, const QString& name,
                  const QString& description)
{
    // Our section and key names are always storable, so these cannot refuse.
    catalogue.WriteString(Section(slot), kNumber, QString::number(slot));
    catalogue.WriteString(Section(slot), kName, name);
    catalogue.WriteString(Section(slot), kDescription, description);
}

// Every station after `slot` moves down one; the last slot has no follower.
// Returns the slots that take over a station, in rising order.
std::vector<int> MoveStationsDown(platform::ProfileDocument& catalogue, int slot)
{
    std::vector<int> receivers;
    const bool full = IsOccupied(catalogue, kLastSlot);
    // Every slot from here on is rewritten or erased. A hand-edited file may
    // repeat a slot's section, read by nobody while the first one stands:
    // erasing that one must not bring a station without its playlist to light.
    for (int touched = slot; touched <= kLastSlot; ++touched) {
        catalogue.EraseHiddenDuplicates(Section(touched));
    }
    for (int from = slot + 1; from <= kLastSlot; ++from) {
        const int to = from - 1;
        if (IsOccupied(catalogue, from)) {
            const QString name = catalogue.ReadString(Section(from), kName, kNameMissing);
            const QString description =
                catalogue.ReadString(Section(from), kDescription, kMovedDescriptionMissing);
            WriteStation(catalogue, to, name, description);
            receivers.push_back(to);
        } else {
            catalogue.EraseSection(Section(to));
        }
    }
    if (full) {
        catalogue.EraseSection(Section(kLastSlot));
    }
    return receivers;
}

} // namespace

CatalogueStore::CatalogueStore(FixedPaths paths)
    : m_paths(std::move(paths)), m_handle(m_paths.catalogueFile)
{
}

QStringList CatalogueStore::StationRows() const
{
    const platform::ProfileDocument catalogue = m_handle.Snapshot();
    QStringList rows;
    // Every slot is looked at: a gap in a hand-edited file does not end the list.
    for (int slot = 0; slot <= kLastSlot; ++slot) {
        if (IsOccupied(catalogue, slot)) {
            rows << QString::number(slot) + QStringLiteral(") ") +
                        catalogue.ReadString(Section(slot), kName, kNameMissing) +
                        QStringLiteral(" - ") +
                        catalogue.ReadString(Section(slot), kDescription, kDescriptionMissing);
        }
    }
    return rows;
}

CatalogueStore::Health CatalogueStore::Recover()
{
    {
        // No wait at start: a lock held elsewhere is another copy writing, whose
        // files are not stale; what it leaves is for the next start, and every
        // change finishes an interrupted one first anyway.
        const platform::FileLock lock(LockFile(), 0);
        if (lock.IsHeld()) {
            try {
                FinishInterruptedChange();
            } catch (const Error&) {
                // The journal stays; the next change tries again and reports it.
            }
            platform::RemoveTemporaryFiles(m_paths.radiosFolder);
            // Half-written copies of the catalogue and of the journal (itself hidden).
            const QFileInfo catalogue(m_paths.catalogueFile);
            platform::RemoveTemporaryFiles(catalogue.absolutePath(), catalogue.fileName());
            platform::RemoveTemporaryFiles(catalogue.absolutePath(),
                                           QLatin1Char('.') + catalogue.fileName());
        }
    }
    return platform::ReadProfileBytes(m_paths.catalogueFile) ? Health::Readable
                                                             : Health::Unreadable;
}

QString CatalogueStore::UnreadableMessage() const
{
    return QStringLiteral("The station catalogue %1 cannot be read. No station is listed, and "
                          "the file is left as it is until it can be read.")
        .arg(m_paths.catalogueFile);
}

QString CatalogueStore::ReadOnlyMessage() const
{
    return QStringLiteral("The station catalogue %1 is read-only, so nothing was changed")
        .arg(m_paths.catalogueFile);
}

std::unique_ptr<platform::FileLock> CatalogueStore::BeginChange() const
{
    // The user protected the file: no station and no playlist changes. Asked
    // of its mode, since root would write it all the same.
    if (platform::IsWriteProtected(m_paths.catalogueFile)) {
        throw Error(ReadOnlyMessage());
    }
    auto lock = std::make_unique<platform::FileLock>(LockFile());
    if (!lock->IsHeld()) {
        ThrowUnableToWrite(m_paths.catalogueFile);
    }
    FinishInterruptedChange();
    return lock;
}

CatalogueStore::InstallResult CatalogueStore::InstallStation(const QString& name,
                                                             const QString& description)
{
    const auto lock = BeginChange();
    std::optional<InstallResult> refused; // nothing written, on purpose
    std::optional<int> placed;            // the slot whose playlist file is in place
    const bool written =
        platform::UpdateProfile(m_paths.catalogueFile, [&](platform::ProfileDocument& contents) {
            std::optional<int> slot;
            for (int candidate = 0; candidate <= kLastSlot && !slot; ++candidate) {
                if (!IsOccupied(contents, candidate)) {
                    slot = candidate;
                }
            }
            if (!slot) {
                refused = InstallResult::CatalogueFull;
                return false;
            }
            // The slot is free, so a file of that number belongs to no station: it is
            // replaced. The download stays until the station is listed.
            if (!platform::PlaceCopy(m_paths.temporaryPlaylist, PlaylistFile(*slot))) {
                refused = InstallResult::PlaylistNotMoved;
                return false;
            }
            placed = slot;
            Step();
            WriteStation(contents, *slot, name, description);
            return true;
        });
    if (refused) {
        return *refused;
    }
    if (!written) {
        if (placed) {
            platform::RemoveFileIfPresent(PlaylistFile(*placed));
        }
        ThrowUnableToWrite(m_paths.catalogueFile);
    }
    Step();
    platform::DeleteFile(m_paths.temporaryPlaylist);
    return InstallResult::Installed;
}

void CatalogueStore::DeleteStation(int slot)
{
    if (!IsSlot(slot)) {
        return; // no station there; a wrong number must not shift the others
    }
    const auto lock = BeginChange();
    // Until the catalogue is replaced, the playlists only gain hidden second
    // names under the slot they move to; undoing that is removing those names.
    CatalogueJournal journal;
    const auto undo = [&] {
        for (const int to : journal.moves) {
            platform::RemoveFileIfPresent(StagedPlaylist(to));
        }
        platform::RemoveFileIfPresent(JournalFile());
    };
    bool staged = false; // the playlists and the journal are ready for the commit
    const bool written =
        platform::UpdateProfile(m_paths.catalogueFile, [&](platform::ProfileDocument& contents) {
            const bool full = IsOccupied(contents, kLastSlot);
            const std::vector<int> receivers = MoveStationsDown(contents, slot);
            // The contents are final: they are what the commit writes.
            journal.catalogueHash = CatalogueJournal::HashOf(contents.ToBytes());

            std::size_t next = 0;
            for (int to = slot; to <= kLastSlot; ++to) {
                const bool receives = next < receivers.size() && receivers[next] == to;
                next += receives ? 1 : 0;
                if (receives && Stage(PlaylistFile(to + 1), StagedPlaylist(to))) {
                    journal.moves.push_back(to);
                    Step();
                } else if (receives && QFileInfo::exists(PlaylistFile(to + 1))) {
                    undo();
                    ThrowUnableToWrite(m_paths.radiosFolder);
                } else if (to < kLastSlot || full) {
                    journal.removals.push_back(to); // its station goes, or moves in without a file
                }
            }
            if (!platform::ReplaceFileContents(JournalFile(), journal.ToBytes())) {
                undo();
                ThrowUnableToWrite(m_paths.catalogueFile);
            }
            Step();
            if (!journal.moves.empty() && !platform::SyncFolder(m_paths.radiosFolder)) {
                undo();
                ThrowUnableToWrite(m_paths.radiosFolder);
            }
            staged = true;
            return true;
        });
    if (!written) {
        if (staged) {
            undo();
        }
        ThrowUnableToWrite(m_paths.catalogueFile);
    }
    Step();
    CompleteChange(journal);
}

void CatalogueStore::SetStationDescription(int slot, const QString& description)
{
    if (!IsSlot(slot)) {
        return;
    }
    const auto lock = BeginChange();
    const bool written =
        platform::UpdateProfile(m_paths.catalogueFile, [&](platform::ProfileDocument& contents) {
            contents.WriteString(Section(slot), kDescription, description);
            return true;
        });
    if (!written) {
        ThrowUnableToWrite(m_paths.catalogueFile);
    }
    Step();
}

QString CatalogueStore::StationName(int slot) const
{
    return m_handle.ReadString(Section(slot), kName, kNameMissing);
}

QString CatalogueStore::StationDescription(int slot) const
{
    return m_handle.ReadString(Section(slot), kDescription, kDescriptionMissing);
}

QString CatalogueStore::PlaylistFile(int slot) const
{
    return m_paths.PlaylistFile(slot);
}

QString CatalogueStore::LockFile() const
{
    const QFileInfo catalogue(m_paths.catalogueFile);
    return catalogue.absolutePath() + QStringLiteral("/.") + catalogue.fileName() +
           QStringLiteral(".lock");
}

QString CatalogueStore::JournalFile() const
{
    const QFileInfo catalogue(m_paths.catalogueFile);
    return catalogue.absolutePath() + QStringLiteral("/.") + catalogue.fileName() +
           QStringLiteral(".journal");
}

// Hidden, and ending in ".tmp": a leftover is swept away at the next start.
QString CatalogueStore::StagedPlaylist(int slot) const
{
    return m_paths.radiosFolder + QStringLiteral("/.") + QString::number(slot) +
           QStringLiteral(".pls.move.tmp");
}

// Runs under the lock. After the commit the journal's steps are done, each one
// safe to repeat; before it the staged names are all that changed, and go.
void CatalogueStore::FinishInterruptedChange() const
{
    const std::optional<QByteArray> bytes = platform::ReadProfileBytes(JournalFile());
    if (!bytes || bytes->isEmpty()) {
        return; // no journal: nothing was cut short
    }
    const std::optional<CatalogueJournal> journal = CatalogueJournal::FromBytes(*bytes);
    const std::optional<QByteArray> catalogue = platform::ReadProfileBytes(m_paths.catalogueFile);
    if (journal && catalogue && journal->IsCommitted(*catalogue)) {
        CompleteChange(*journal);
        return;
    }
    if (journal) {
        for (const int to : journal->moves) {
            platform::RemoveFileIfPresent(StagedPlaylist(to));
        }
    } else {
        platform::RemoveTemporaryFiles(m_paths.radiosFolder);
    }
    DropJournal();
}

// The playlist steps of a committed change, each one safe to repeat.
void CatalogueStore::CompleteChange(const CatalogueJournal& journal) const
{
    for (const int to : journal.moves) {
        // A staged name that is gone was renamed before the crash.
        const QString staged = StagedPlaylist(to);
        if (!platform::ReplaceFile(staged, PlaylistFile(to)) && QFileInfo::exists(staged)) {
            ThrowUnableToWrite(m_paths.radiosFolder);
        }
        Step();
    }
    for (const int to : journal.removals) {
        if (!platform::RemoveFileIfPresent(PlaylistFile(to))) {
            ThrowUnableToWrite(m_paths.radiosFolder);
        }
    }
    Step();
    DropJournal();
}

void CatalogueStore::DropJournal() const
{
    platform::SyncFolder(m_paths.radiosFolder);
    Step();
    platform::DeleteFile(JournalFile());
}

// A leftover of a change cut short before its journal was written may hold the name.
bool CatalogueStore::Stage(const QString& playlist, const QString& staged) const
{
    if (platform::LinkFile(playlist, staged)) {
        return true;
    }
    return QFileInfo::exists(staged) && platform::RemoveFileIfPresent(staged) &&
           platform::LinkFile(playlist, staged);
}

void CatalogueStore::Step() const
{
    if (m_stepHook) {
        m_stepHook();
    }
}

void CatalogueStore::ThrowUnableToWrite(const QString& path) const
{
    throw Error(QStringLiteral("Unable to write to %1").arg(path));
}
