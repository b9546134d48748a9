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
    if (!platform::WriteProfileString(m_fileName, section, key, value)) {
        ThrowUnableToWrite();
    }
}

void TIniFile::EraseSection(const QString& section)
{
    if (!platform::EraseProfileSection(m_fileName, section)) {
        ThrowUnableToWrite();
    }
}

platform::ProfileDocument TIniFile::Snapshot() const
{
    return platform::ReadProfile(m_fileName);
}

void TIniFile::Update(const std::function<void(platform::ProfileDocument&)>& change)
{
    const bool written =
        platform::UpdateProfile(m_fileName, [&](platform::ProfileDocument& contents) {
            change(contents);
            return true;
        });
    if (!written) {
        ThrowUnableToWrite();
    }
}

void TIniFile::ThrowUnableToWrite() const
{
    throw Error(QStringLiteral("Unable to write to %1").arg(m_fileName));
}
