#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

// Whole-file reads and writes for tests that look at real files.

// The file's bytes, or an empty array when it cannot be read.
inline QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file's bytes, or "<missing>", so an absent file never equals an empty one.
inline QByteArray ReadBytesOrMissing(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Writes the file whole; false when it could not.
inline bool WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

// A test step: writes the file whole or fails the test.
inline void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QVERIFY2(WriteFile(path, bytes), qPrintable(path));
}
