#include "stream_frames.h"
#include "test_files.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <functional>

using platform::FiguresFromFrames;

// Stream figures read from the frames of real files made by the usual
// encoders, and nothing read from bytes that only look like audio.
class StreamFramesTest final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;

    QString Path(const QString& name) const { return dir_.filePath(name); }

    // Runs an encoder; skips the row when it is not installed.
    static bool Run(const QString& program, const QStringList& arguments)
    {
        if (QStandardPaths::findExecutable(program).isEmpty())
            return false;
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            qWarning("%s failed: %s", qPrintable(program), process.readAll().constData());
        return true;
    }

    // Eight seconds of tone and noise, so that encoders spend their bits.
    QString Source(int rate, int channels)
    {
        const QString wav = Path(QStringLiteral("source-%1-%2.wav").arg(rate).arg(channels));
        if (!QFile::exists(wav))
            Run(QStringLiteral("sox"),
                {"-n", "-r", QString::number(rate), "-c", QString::number(channels), "-b", "16",
                 wav, "synth", "8", "sine", "440", "whitenoise", "remix", "-", "gain", "-6"});
        return wav;
    }

    // An encoder's output, or empty (the row skips) when it is not installed.
    QByteArray Encoded(const QString& program, const QStringList& arguments, const QString& out)
    {
        QStringList filled = arguments;
        filled.replaceInStrings(QStringLiteral("{source}"), Source(44100, 2));
        filled.replaceInStrings(QStringLiteral("{out}"), out);
        return Run(program, filled) ? ReadBytes(out).left(64 * 1024) : QByteArray();
    }

    // Lets `change` rewrite each whole Ogg page in `bytes` (given its index
    // and its first byte), then puts right the page's checksum, as a server
    // making up its own pages would.
    static void RewriteOggPages(QByteArray& bytes, const std::function<void(int, char*)>& change)
    {
        int index = 0;
        for (qsizetype at = bytes.indexOf("OggS"); at >= 0 && at + 27 <= bytes.size(); ++index) {
            auto* page = reinterpret_cast<uchar*>(bytes.data() + at);
            qsizetype length = 27 + page[26];
            if (at + length > bytes.size())
                return;
            for (int segment = 0; segment < page[26]; ++segment)
                length += page[27 + segment];
            if (at + length > bytes.size())
                return;
            change(index, bytes.data() + at);
            qToLittleEndian<quint32>(0, page + 22);
            quint32 crc = 0; // CRC-32, polynomial 0x04C11DB7, no reflection
            for (qsizetype i = 0; i < length; ++i) {
                crc ^= quint32(page[i]) << 24;
                for (int bit = 0; bit < 8; ++bit)
                    crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
            }
            qToLittleEndian<quint32>(crc, page + 22);
            at += length;
        }
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void realFiles_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments"); // {source} and {out} are filled in
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bitRate");
        QTest::addColumn<int>("tolerance"); // bit/s, for rates measured over frames
        QTest::addColumn<int>("skip");      // join the stream this many bytes in

        const QStringList lame128{"--quiet", "-b", "128", "--cbr", "{source}", "{out}"};
        QTest::newRow("mp3 128k stereo") << "lame" << lame128 << 44100 << 2 << 128000 << 0 << 0;
        QTest::newRow("mp3 joined mid-frame")
            << "lame" << lame128 << 44100 << 2 << 128000 << 0 << 10001;
        QTest::newRow("mp3 64k mono 22 kHz")
            << "lame" << QStringList{"--quiet", "-b", "64", "--cbr", "-m", "m", "{source}", "{out}"}
            << 22050 << 1 << 64000 << 0 << 0;
        QTest::newRow("aac adts") << "ffmpeg"
                                  << QStringList{"-v",  "error", "-y",   "-i", "{source}", "-c:a",
                                                 "aac", "-b:a",  "128k", "-f", "adts",     "{out}"}
                                  << 44100 << 2 << 128000 << 20000 << 5000;
        QTest::newRow("ogg vorbis")
            << "oggenc" << QStringList{"--quiet", "-b", "96", "-o", "{out}", "{source}"} << 44100
            << 2 << 96000 << 0 << 0;
        QTest::newRow("ogg opus") << "opusenc" << QStringList{"--quiet", "--hard-cbr", "--bitrate",
                                                              "64",      "{source}",   "{out}"}
                                  << 48000 << 2 << 64000 << 8000 << 0;
    }

    // Each encoder's output gives the figures it was made with.
    void realFiles()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(int, bitRate);
        QFETCH(int, tolerance);
        QFETCH(int, skip);
        // Opus takes any input rate and always plays at 48 kHz.
        const QString source = Source(program == QLatin1String("opusenc") ? 44100 : rate, channels);
        const QString out = Path(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
        arguments.replaceInStrings(QStringLiteral("{source}"), source);
        arguments.replaceInStrings(QStringLiteral("{out}"), out);
        if (!Run(program, arguments))
            QSKIP(qPrintable(program + " is not installed (scripts/install-deps)"));
        // What a probe reads: at most 64 KiB from wherever it joins.
        const QByteArray bytes = ReadBytes(out).mid(skip, 64 * 1024);
        QVERIFY2(bytes.size() > 4096, qPrintable(out));

        const auto figures = FiguresFromFrames(bytes);
        QVERIFY(figures.has_value());
        QCOMPARE(figures->sampleRate, rate);
        QCOMPARE(figures->channels, channels);
        QVERIFY2(qAbs(figures->bitRate - bitRate) <= tolerance,
                 qPrintable(QString::number(figures->bitRate)));

        // A piece too short to hold two whole frames decides nothing.
        QVERIFY(!FiguresFromFrames(bytes.left(200)).has_value());
    }

    // Noise full of sync-like bytes, and a single valid-looking MPEG header
    // that no second frame follows, decide nothing.
    void garbageDecidesNothing()
    {
        QRandomGenerator random(18);
        QByteArray noise(64 * 1024, '\0');
        for (char& byte : noise)
            byte = char(random.bounded(256));
        for (int at = 0; at < noise.size(); at += 97)
            noise[at] = char(0xFF);
        QVERIFY(!FiguresFromFrames(noise).has_value());
        QVERIFY(!FiguresFromFrames(QByteArray(4096, char(0xFF))).has_value());
        QByteArray lone(2000, '\0');
        lone.replace(100, 4, QByteArray::fromHex("fffb9064"));
        QVERIFY(!FiguresFromFrames(lone).has_value());
        QVERIFY(!FiguresFromFrames(QByteArray("OggS")).has_value());
        QVERIFY(!FiguresFromFrames(QByteArray()).has_value());
    }

    // Figures a server made up beyond reason read as unknown instead of
    // overflowing: audio pages whose granule positions span one sample, and a
    // Vorbis rate of 2^31 - 1 Hz measured by them (run under UBSan by the sanitizer build).
    void absurdFiguresAreUnknown()
    {
        QByteArray opus =
            Encoded(QStringLiteral("opusenc"), {"--quiet", "--bitrate", "64", "{source}", "{out}"},
                    Path(QStringLiteral("absurd.opus")));
        QByteArray vorbis =
            Encoded(QStringLiteral("oggenc"), {"--quiet", "-b", "96", "-o", "{out}", "{source}"},
                    Path(QStringLiteral("absurd.ogg")));
        if (opus.isEmpty() || vorbis.isEmpty())
            QSKIP("opusenc or oggenc is not installed (scripts/install-deps)");
        RewriteOggPages(opus, [](int index, char* page) {
            if (index >= 2)
                qToLittleEndian<qint64>(index == 2 ? 1000 : 1001, page + 6);
        });
        const auto figures = FiguresFromFrames(opus);
        QVERIFY(figures.has_value());
        QCOMPARE(figures->bitRate, 0);
        QCOMPARE(figures->sampleRate, 48000);

        RewriteOggPages(vorbis, [](int index, char* page) {
            if (index != 0)
                return;
            // The identification header: rate, then nominal bit rate (none given).
            char* header = page + 27 + uchar(page[26]);
            qToLittleEndian<quint32>(0x7FFFFFFF, header + 12);
            qToLittleEndian<quint32>(0, header + 20);
        });
        QVERIFY(!FiguresFromFrames(vorbis).has_value());
    }
};

QTEST_GUILESS_MAIN(StreamFramesTest)
#include "stream_frames_test.moc"
