#pragma once

#include "fixed_paths.h"
#include "ini_file.h"

#include <QString>
#include <QStringList>

inline constexpr char kInstallFailedMessage[] = "Error while installing file. Please try again.";

// The station catalogue: the INI file of 501 numbered slots and one playlist
// file per occupied slot. It holds paths only; every operation reads the file
// afresh, so the file is the one source of truth. It shows nothing itself:
// results are returned and catalogue write failures are thrown as Error.
class CatalogueStore final
{
public:
    static constexpr int kSlotCount = 501; // slots 0 to 500

    explicit CatalogueStore(FixedPaths paths);

    // One row per occupied slot, in slot order: "n) name - description".
    QStringList StationRows() const;

    enum class InstallResult
    {
        Installed,
        PlaylistNotMoved, // the caller shows kInstallFailedMessage
        CatalogueFull,    // nothing written, nothing to show
    };
    // Writes the lowest free slot and moves the temporary playlist to its
    // playlist file. When the playlist cannot be moved, the slot is erased again
    // and the temporary playlist stays for another try.
    InstallResult InstallStation(const QString& name, const QString& description);
    // Removes a station; every later station moves down one slot with its
    // playlist file. File failures are not reported.
    void DeleteStation(int slot);
    void SetStationDescription(int slot, const QString& description);

    QString StationName(int slot) const;        // "Error" when missing
    QString StationDescription(int slot) const; // "Error." when missing
    QString PlaylistFile(int slot) const;

    // The handle on the catalogue file that the main window keeps.
    const TIniFile& Handle() const { return m_handle; }

private:
    FixedPaths m_paths;
    TIniFile m_handle;
};
