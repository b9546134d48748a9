#include "catalogue_store.h"

#include "file_operations.h"
#include "profile_document.h"

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

// A playlist file step of a deletion, done once the catalogue is written.
struct FileStep
{
    QString deleted;
    QString renamedFrom; // empty: no rename follows the deletion
};

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

CatalogueStore::InstallResult CatalogueStore::InstallStation(const QString& name,
                                                             const QString& description)
{
    TIniFile catalogue(m_paths.catalogueFile);
    std::optional<int> slot;
    // The three keys land in one replacement of the file: all or none.
    catalogue.Update([&](platform::ProfileDocument& contents) {
        for (int candidate = 0; candidate <= kLastSlot && !slot; ++candidate) {
            if (!IsOccupied(contents, candidate)) {
                slot = candidate;
            }
        }
        if (slot) {
            WriteStation(contents, *slot, name, description);
        }
    });
    if (!slot) {
        return InstallResult::CatalogueFull;
    }
    if (!platform::RenameFile(m_paths.temporaryPlaylist, PlaylistFile(*slot))) {
        // A station without its playlist could only fail when played; take it out.
        catalogue.EraseSection(Section(*slot));
        return InstallResult::PlaylistNotMoved;
    }
    return InstallResult::Installed;
}

void CatalogueStore::DeleteStation(int slot)
{
    if (!IsSlot(slot)) {
        return; // no station there; a wrong number must not shift the others
    }
    std::vector<FileStep> fileSteps;
    // Each later slot moves down one by one, exactly as if written key by key;
    // the catalogue is then replaced once, and the playlist files follow in
    // the same order.
    m_handle.Update([&](platform::ProfileDocument& contents) {
        const bool full = IsOccupied(contents, kLastSlot);
        for (int from = slot + 1; from <= kLastSlot; ++from) {
            const int to = from - 1;
            if (IsOccupied(contents, from)) {
                const QString name = contents.ReadString(Section(from), kName, kNameMissing);
                const QString description =
                    contents.ReadString(Section(from), kDescription, kMovedDescriptionMissing);
                WriteStation(contents, to, name, description);
                fileSteps.push_back({PlaylistFile(to), PlaylistFile(from)});
            } else {
                contents.EraseSection(Section(to));
                fileSteps.push_back({PlaylistFile(to), QString()});
            }
        }
        // The last slot has no follower to move into it; empty it when it was in use.
        if (full) {
            contents.EraseSection(Section(kLastSlot));
            fileSteps.push_back({PlaylistFile(kLastSlot), QString()});
        }
    });
    for (const FileStep& step : fileSteps) {
        platform::DeleteFile(step.deleted);
        if (!step.renamedFrom.isEmpty()) {
            platform::RenameFile(step.renamedFrom, step.deleted);
        }
    }
}

void CatalogueStore::SetStationDescription(int slot, const QString& description)
{
    if (!IsSlot(slot)) {
        return;
    }
    TIniFile catalogue(m_paths.catalogueFile);
    catalogue.WriteString(Section(slot), kDescription, description);
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
