#include "ini_file.h"

#include "error.h"
#include "profile_file.h"

QString TIniFile::ReadString(const QString& section, const QString& key,
                             const QString& defaultValue) const
{
    return platform::ReadProfileString(m_fileName, section, key, defaultValue);
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    const bool written =
        platform::UpdateProfile(m_fileName, [&](platform::ProfileDocument& contents) {
            return contents.WriteString(section, key, value);
        });
    if (!written) {
        ThrowUnableToWrite();
    }
}

void TIniFile::EraseSection(const QString& section)
{
    const bool written =
        platform::UpdateProfile(m_fileName, [&](platform::ProfileDocument& contents) {
            contents.EraseSection(section);
            return true;
        });
    if (!written) {
        ThrowUnableToWrite();
    }
}

platform::ProfileDocument TIniFile::Snapshot() const
{
    return platform::ReadProfile(m_fileName);
}

void TIniFile::ThrowUnableToWrite() const
{
    throw Error(QStringLiteral("Unable to write to %1").arg(m_fileName));
}
