#include "profile_file.h"

#include "file_operations.h"

#include <QFile>

namespace platform {

std::optional<QByteArray> ReadProfileBytes(const QString& path)
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

ProfileDocument ReadProfile(const QString& path)
{
    return ProfileDocument(ReadProfileBytes(path).value_or(QByteArray()));
}

bool UpdateProfile(const QString& path, const std::function<bool(ProfileDocument&)>& change)
{
    const std::optional<QByteArray> before = ReadProfileBytes(path);
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

} // namespace platform
