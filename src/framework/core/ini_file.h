#pragma once

#include "profile_document.h"

#include <QString>

// An INI file reached by path alone: it keeps no copy of the contents, so every
// read and write goes to the file at once and several handles on one file agree.
class TIniFile final
{
public:
    explicit TIniFile(QString fileName) : m_fileName(std::move(fileName)) {}

    const QString& FileName() const { return m_fileName; }

    // The stored value; the default only when the key, its section or the file is
    // absent (a present empty value reads empty). At most 2047 characters. Never fails.
    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    // Throws Error("Unable to write to <path>") when the file cannot be written.
    // A line break in the value is stored as a blank.
    void WriteString(const QString& section, const QString& key, const QString& value);
    // Erasing a section that is not there succeeds. Throws like WriteString.
    void EraseSection(const QString& section);

    // For an operation that reads many keys: the whole file as it is now, read
    // once. Nothing is kept once the caller lets it go. Never fails.
    platform::ProfileDocument Snapshot() const;

private:
    [[noreturn]] void ThrowUnableToWrite() const;

    QString m_fileName;
};
