#include "profile_file.h"

#include "file_operations.h"

#include <QFile>
#include <optional>

namespace platform {

namespace {

// Empty for an absent file; nothing when the file is there but will not open.
std::optional<QByteArray> ReadBytes(const QString& path)
{
    QFile file(path);
    if (!file.exists()) {
        return QByteArray();
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll();
}

} // namespace

ProfileDocument ReadProfile(const QString& path)
{
    return ProfileDocument(ReadBytes(path).value_or(QByteArray()));
}

bool UpdateProfile(const QString& path, const std::function<bool(ProfileDocument&)>& change)
{
    const std::optional<QByteArray> before = ReadBytes(path);
    if (!before) {
        return false;
    }
    ProfileDocument document(*before);
    if (!change(document)) {
        return false;
    }
    const QByteArray after = document.ToBytes();
    return after == *before || ReplaceFileContents(path, after);
}

QString ReadProfileString(const QString& path, const QString& section, const QString& key,
                          const QString& defaultValue)
{
    return ReadProfile(path).ReadString(section, key, defaultValue);
}

bool WriteProfileString(const QString& path, const QString& section, const QString& key,
                        const QString& value)
{
    return UpdateProfile(
        path, [&](ProfileDocument& document) { return document.WriteString(section, key, value); });
}

bool EraseProfileSection(const QString& path, const QString& section)
{
    return UpdateProfile(path, [&](ProfileDocument& document) {
        document.EraseSection(section);
        return true;
    });
}

} // namespace platform
