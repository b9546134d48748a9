#include "ini_file.h"
// Placeholder until the profile layer lands.
QString TIniFile::ReadString(const QString&, const QString&, const QString& d) const { return d; }
void TIniFile::WriteString(const QString&, const QString&, const QString&) {}
void TIniFile::EraseSection(const QString&) {}
