#include "profile_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

// A process killed while it rewrites a profile file leaves the old or the new
// contents, never a torn file. The test runs itself as the writer.

namespace {

const char kWriterFlag[] = "--keep-writing";

// Big enough that every write takes a while, so kills land inside writes.
QByteArray Filler()
{
    QByteArray filler;
    for (int i = 0; i < 4000; ++i) {
        filler += "[filler " + QByteArray::number(i) + "]\r\nkey=caf\xE9 " + QByteArray(200, 'f') +
                  "\r\n";
    }
    return filler;
}

QString Value(int round)
{
    return QStringLiteral("v%1-").arg(round) + QString(500, QLatin1Char('x'));
}

QByteArray Contents(int round)
{
    return "; kept\r\n[station]\r\nvalue=" + Value(round).toUtf8() + "\r\nafter=1\r\n" + Filler();
}

int KeepWriting(const QString& path)
{
    for (int round = 1;; ++round) {
        const bool written =
            platform::UpdateProfile(path, [&](platform::ProfileDocument& contents) {
                return contents.WriteString(QStringLiteral("station"), QStringLiteral("value"),
                                            Value(round));
            });
        if (!written) {
            return 1;
        }
        std::printf("%d\n", round);
        std::fflush(stdout);
    }
}

} // namespace

class ProfileFileCrashTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Whenever the writer dies, the file holds one complete version, all other lines intact.
    void killedWriterLeavesAWholeFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("wavedock.lst"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(Contents(0));
        }
        // Odd rounds kill the writer as soon as it reports a finished write; even
        // rounds at the first change of the file after that, in the middle of a write
        // for any writer that does not replace the file in one step.
        for (int round = 1; round <= 8; ++round) {
            QProcess writer;
            QFileSystemWatcher watcher;
            int reported = 0;
            bool armed = false;
            connect(&writer, &QProcess::readyReadStandardOutput, &writer, [&] {
                while (writer.canReadLine()) {
                    reported = writer.readLine().trimmed().toInt();
                }
                if (!armed && reported >= round / 2 + 1) {
                    armed = true;
                    if (round % 2 == 1) {
                        writer.kill();
                    } else {
                        watcher.addPath(path);
                    }
                }
            });
            connect(&watcher, &QFileSystemWatcher::fileChanged, &writer, [&] { writer.kill(); });
            QSignalSpy finished(&writer, &QProcess::finished);
            writer.start(QCoreApplication::applicationFilePath(),
                         {QString::fromLatin1(kWriterFlag), path});
            QVERIFY(finished.wait(60000));
            QVERIFY(armed);

            const QString value = platform::ReadProfileString(path, QStringLiteral("station"),
                                                              QStringLiteral("value"), QString());
            const int written = value.section(QLatin1Char('-'), 0, 0).mid(1).toInt();
            QVERIFY2(written >= reported, qPrintable(value.left(20)));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY2(file.readAll() == Contents(written), "torn or altered file");
        }
    }
};

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], kWriterFlag) == 0) {
        return KeepWriting(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    ProfileFileCrashTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "profile_file_crash_test.moc"
