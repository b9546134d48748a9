#pragma once

#include "fixed_paths.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>

// The bytes of a station's playlist file, from its slot and name.
using PlaylistBytes = std::function<QByteArray(int slot, const QString& name)>;

// Writes a dense catalogue (slots 0..n-1, as the program keeps it) of the given
// (name, description) pairs in one go, and a playlist file for each station
// (by default one entry naming the slot), creating the folders first. Replaces
// whatever catalogue was there. False when a folder or file could not be written.
bool WriteDenseCatalogue(const FixedPaths& paths, const QList<QPair<QString, QString>>& stations,
                         const PlaylistBytes& playlist = {});
