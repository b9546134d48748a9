#pragma once

#include <QString>

// The program's few fixed files, in one place. On Linux the catalogue lives in
// the user's XDG data folder, the temporary playlist in the XDG cache folder,
// and the readme and the licence text are found from the executable's folder.
// Every role has exactly one path, so the same file is reached whoever asks.
struct FixedPaths
{
    QString catalogueFile;     // the INI catalogue, "wavedock.lst"
    QString radiosFolder;      // one playlist file per station slot
    QString temporaryPlaylist; // where a captured playlist waits to be installed or played
    QString readmeFile;        // opened by Help
    QString licenceFile;       // the GPL's text, opened from the About box

    // "<radios folder>/<slot>.pls", the slot in decimal without leading zeros.
    QString PlaylistFile(int slot) const;

    // The real locations for the user running the program.
    static FixedPaths ForCurrentUser();
    // A file shipped with the program: <prefix>/share/wavedock/<name> beside
    // <prefix>/bin in an installed tree, when it is there; else the one beside
    // the executable (the build tree).
    static QString ShippedFile(const QString& executableFolder, const QString& name);
    // The same layout below one folder (tests, benchmarks).
    static FixedPaths Under(const QString& root);

    // There is no installer: make the catalogue's folder, the radios folder and
    // the temporary playlist's folder when they are missing. Returns false when
    // one of them cannot be made, naming the first such in `notMade`.
    bool CreateFolders(QString* notMade = nullptr) const;
};
