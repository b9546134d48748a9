#pragma once

#include "fixed_paths.h"

#include <QList>
#include <QPair>
#include <QString>

// Writes a dense catalogue (slots 0..n-1, as the program keeps it) of the given
// (name, description) pairs in one go, and a playlist file for each station,
// creating the folders first. Replaces whatever catalogue was there.
void WriteDenseCatalogue(const FixedPaths& paths, const QList<QPair<QString, QString>>& stations);
