// Decoding of JPEG files and 24-bit bitmaps by the picture container, on good,
// odd and damaged data, and the shipped artwork.
#include "bitmap.h"
#include "error.h"
#include "jpeg_image.h"
#include "picture.h"
#include "picture_samples.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray readResource(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing resource %s", qPrintable(path));
    return file.readAll();
}

// Four flat quarters: red, green, blue and yellow.
QImage quarters(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            image.setPixel(x, y,
                           bottom ? (right ? qRgb(230, 220, 20) : qRgb(20, 30, 220))
                                  : (right ? qRgb(30, 200, 40) : qRgb(220, 30, 30)));
        }
    }
    return image;
}

bool close(QRgb a, QRgb b, int tolerance)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance &&
           qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

QString describe(QRgb pixel)
{
    return QStringLiteral("(%1,%2,%3)").arg(qRed(pixel)).arg(qGreen(pixel)).arg(qBlue(pixel));
}

} // namespace

class DecodingTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void jpegDecodesSizeAndColours_data();
    void jpegDecodesSizeAndColours();
    void artworkMatchesQtsOwnJpegReader_data();
    void artworkMatchesQtsOwnJpegReader();
    void splashSeeThroughIsExactlyPureWhite();
    void iconHasAlpha();
    void damagedJpegThrows_data();
    void damagedJpegThrows();
    void failedLoadKeepsPreviousPicture();
    void doubleSizePictureLoadsBesideItsFile();
    void jpegReportsProgress();
    void bitmapRowsAndPadding_data();
    void bitmapRowsAndPadding();
    void bitmapRefusesOtherKinds_data();
    void bitmapRefusesOtherKinds();
    void assignCopiesTheGraphic();
};

void DecodingTest::jpegDecodesSizeAndColours_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("grey");
    QTest::addColumn<bool>("progressive");
    QTest::newRow("1x1") << 1 << 1 << false << false;
    QTest::newRow("odd size, not whole blocks") << 37 << 21 << false << false;
    QTest::newRow("grey") << 40 << 32 << true << false;
    QTest::newRow("progressive") << 48 << 40 << false << true;
}

// Every kind of JPEG we may meet decodes to its own size and colours.
void DecodingTest::jpegDecodesSizeAndColours()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, grey);
    QFETCH(bool, progressive);
    QImage source = quarters(width, height);
    if (grey)
        source =
            source.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32);

    TJPEGImage jpeg;
    jpeg.LoadFromData(EncodeJpeg(source, grey, progressive));
    QCOMPARE(jpeg.Width(), width);
    QCOMPARE(jpeg.Height(), height);
    QCOMPARE(jpeg.Image().format(), QImage::Format_RGB32);
    // Centres of the quarters, away from the blurred seams.
    for (const QPoint at :
         {QPoint(width / 4, height / 4), QPoint(3 * width / 4, height / 4),
          QPoint(width / 4, 3 * height / 4), QPoint(3 * width / 4, 3 * height / 4)}) {
        const QRgb expected = source.pixel(at), actual = jpeg.Image().pixel(at);
        QVERIFY2(close(expected, actual, 12),
                 qPrintable(describe(actual) + " instead of " + describe(expected)));
    }
}

void DecodingTest::artworkMatchesQtsOwnJpegReader_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("header") << ":/pictures/header.jpg" << QSize(379, 110);
    QTest::newRow("banner") << ":/pictures/banner.jpg" << QSize(370, 118);
    QTest::newRow("radios") << ":/pictures/radios.jpg" << QSize(181, 79);
    QTest::newRow("player") << ":/pictures/player.jpg" << QSize(406, 65);
}

// The banners have their required sizes, and our libjpeg decoding agrees with
// an independent reader pixel for pixel (within rounding).
void DecodingTest::artworkMatchesQtsOwnJpegReader()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    TPicture picture;
    picture.LoadFromFile(path);
    QVERIFY(qobject_cast<TJPEGImage*>(picture.Graphic()));
    QCOMPARE(QSize(picture.Width(), picture.Height()), size);

    const QImage reference(path);
    if (reference.isNull())
        QSKIP("Qt's JPEG reader is not installed");
    const QImage& ours = picture.Graphic()->Image();
    int worst = 0;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QRgb a = ours.pixel(x, y), b = reference.pixel(x, y);
            worst = qMax(worst, qMax(qAbs(qRed(a) - qRed(b)),
                                     qMax(qAbs(qGreen(a) - qGreen(b)), qAbs(qBlue(a) - qBlue(b)))));
        }
    }
    QVERIFY2(worst <= 3, qPrintable(QStringLiteral("differs by up to %1").arg(worst)));
}

// The splash picture is a 24-bit bitmap of the required size whose see-through
// parts are pure white, with no nearly-white pixel that would show as a halo.
void DecodingTest::splashSeeThroughIsExactlyPureWhite()
{
    TPicture picture;
    picture.LoadFromFile(QStringLiteral(":/pictures/splash.bmp"));
    QVERIFY(qobject_cast<TBitmap*>(picture.Graphic()));
    QCOMPARE(QSize(picture.Width(), picture.Height()), QSize(527, 146));
    const QImage& image = picture.Graphic()->Image();
    int white = 0, nearlyWhite = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y) & 0xffffff;
            if (pixel == 0xffffff)
                ++white;
            else if (qRed(pixel) > 235 && qGreen(pixel) > 235 && qBlue(pixel) > 235)
                ++nearlyWhite;
        }
    }
    QCOMPARE(nearlyWhite, 0);
    QVERIFY(white > 0);
    QVERIFY(white < image.width() * image.height() / 4);
    QCOMPARE(image.pixel(0, 0) & 0xffffff, 0xffffffu);
}

// The program icon: 48 x 48 with an alpha channel, round, so its corners are clear.
void DecodingTest::iconHasAlpha()
{
    const QImage icon(QStringLiteral(":/pictures/wavedock.png"));
    QCOMPARE(icon.size(), QSize(48, 48));
    QVERIFY(icon.hasAlphaChannel());
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(icon.pixel(24, 24)), 255);
}

void DecodingTest::damagedJpegThrows_data()
{
    QTest::addColumn<QByteArray>("data");
    const QByteArray good = readResource(QStringLiteral(":/pictures/header.jpg"));
    QTest::newRow("marker only") << good.left(2);
    QTest::newRow("cut in the headers") << good.left(200);
    QTest::newRow("cut at a quarter") << good.left(good.size() / 4);
    QTest::newRow("cut at the half") << good.left(good.size() / 2);
    QTest::newRow("cut before the end marker") << good.left(good.size() - 2);
    QByteArray endInScan = good;
    endInScan.replace(good.size() / 2, 2, QByteArray("\xFF\xD9", 2));
    QTest::newRow("end marker inside the scan") << endInScan;
    QByteArray garbage = good;
    for (int i = 20; i < 300; ++i)
        garbage[i] = char(i * 37);
    QTest::newRow("tables overwritten") << garbage;

    // A frame header claiming 65000 x 65000 pixels must not allocate them.
    QByteArray huge = good;
    const int frame = huge.indexOf(QByteArray("\xFF\xC0", 2));
    QVERIFY(frame > 0);
    qToBigEndian(quint16(65000), huge.data() + frame + 5);
    qToBigEndian(quint16(65000), huge.data() + frame + 7);
    QTest::newRow("huge frame") << huge;
}

// A damaged or incomplete JPEG throws Error with a readable text, never crashes.
void DecodingTest::damagedJpegThrows()
{
    QFETCH(QByteArray, data);
    TJPEGImage jpeg;
    try {
        jpeg.LoadFromData(data);
        QFAIL("damaged data was accepted");
    } catch (const Error& error) {
        QVERIFY2(error.message().contains(QLatin1String("JPEG")), qPrintable(error.message()));
    }
    QVERIFY(jpeg.Empty());
}

// A picture that fails to load keeps the graphic it had, and the error names the file.
void DecodingTest::failedLoadKeepsPreviousPicture()
{
    TPicture picture;
    picture.LoadFromFile(QStringLiteral(":/pictures/radios.jpg"));
    TGraphic* before = picture.Graphic();

    QTemporaryDir dir;
    const QString broken = dir.filePath(QStringLiteral("broken.jpg"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(readResource(QStringLiteral(":/pictures/header.jpg")).left(3000));
    file.close();

    QSignalSpy changes(&picture, &TPicture::changed);
    try {
        picture.LoadFromFile(broken);
        QFAIL("a truncated file was accepted");
    } catch (const Error& error) {
        QVERIFY2(error.message().contains(broken), qPrintable(error.message()));
    }
    QCOMPARE(picture.Graphic(), before);
    QCOMPARE(QSize(picture.Width(), picture.Height()), QSize(181, 79));
    QVERIFY(!changes.isEmpty());

    QVERIFY_THROWS_EXCEPTION(Error, picture.LoadFromFile(dir.filePath(QStringLiteral("none"))));
    QVERIFY_THROWS_EXCEPTION(Error, picture.LoadFromData(QByteArray("GIF89a")));
    QCOMPARE(picture.Graphic(), before);
}

// "name@2x.jpg" beside a picture is its double-size version; one that is not
// twice the size fails the load, naming it, and the picture stays as it was.
void DecodingTest::doubleSizePictureLoadsBesideItsFile()
{
    TPicture picture;
    picture.LoadFromFile(QStringLiteral(":/pictures/header.jpg"));
    QCOMPARE(picture.Graphic()->DoubleSizeImage().size(), QSize(758, 220));
    picture.LoadFromFile(QStringLiteral(":/pictures/radios.jpg"));

    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QString& resource) {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(readResource(resource)) > 0;
    };
    QVERIFY(write(QStringLiteral("banner.jpg"), QStringLiteral(":/pictures/banner.jpg")));
    QVERIFY(write(QStringLiteral("banner@2x.jpg"), QStringLiteral(":/pictures/header@2x.jpg")));
    const QString wrongSize = dir.filePath(QStringLiteral("banner@2x.jpg"));
    try {
        picture.LoadFromFile(dir.filePath(QStringLiteral("banner.jpg")));
        QFAIL("a double-size picture of the wrong size was accepted");
    } catch (const Error& error) {
        QVERIFY2(error.message().contains(wrongSize), qPrintable(error.message()));
    }
    QCOMPARE(QSize(picture.Width(), picture.Height()), QSize(181, 79));
    QCOMPARE(picture.Graphic()->DoubleSizeImage().size(), QSize(362, 158));
}

// Decoding reports its start, its growing share of rows (asking for a redraw),
// and its end, with the graphic as sender.
void DecodingTest::jpegReportsProgress()
{
    TPicture picture;
    QList<int> percents;
    QList<TProgressStage> stages;
    QObject* sender = nullptr;
    connect(&picture, &TPicture::progress, this,
            [&](QObject* from, TProgressStage stage, quint8 percent, bool redraw, const QRect& rect,
                const QString&) {
                sender = from;
                stages << stage;
                percents << percent;
                if (stage == TProgressStage::psRunning) {
                    QVERIFY(redraw);
                    QVERIFY(!rect.isEmpty());
                }
            });
    picture.LoadFromData(EncodeJpeg(quarters(20, 40)));
    QCOMPARE(sender, picture.Graphic());
    QCOMPARE(stages.first(), TProgressStage::psStarting);
    QCOMPARE(stages.last(), TProgressStage::psEnding);
    QVERIFY(stages.count(TProgressStage::psRunning) >= 2);
    QCOMPARE(percents.first(), 0);
    QCOMPARE(percents.last(), 100);
    QVERIFY(std::is_sorted(percents.begin(), percents.end()));
}

void DecodingTest::bitmapRowsAndPadding_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("topDown");
    for (int width = 1; width <= 5; ++width) {
        QTest::addRow("width %d bottom-up", width) << width << false;
        QTest::addRow("width %d top-down", width) << width << true;
    }
}

// Each pixel of a bitmap lands where it belongs, whatever the row padding and order.
void DecodingTest::bitmapRowsAndPadding()
{
    QFETCH(int, width);
    QFETCH(bool, topDown);
    const QImage source = CodedPicture(width, 3);
    TBitmap bitmap;
    bitmap.LoadFromData(EncodeBmp(source, topDown));
    QCOMPARE(bitmap.Image(), source);
}

void DecodingTest::bitmapRefusesOtherKinds_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("reason");
    const QByteArray good = EncodeBmp(CodedPicture(5, 4));
    auto patched = [&](int at, quint32 value, int bytes = 4) {
        QByteArray data = good;
        if (bytes == 2)
            qToLittleEndian(quint16(value), data.data() + at);
        else
            qToLittleEndian(value, data.data() + at);
        return data;
    };
    QTest::newRow("8 bits") << patched(28, 8, 2) << "24-bit";
    QTest::newRow("32 bits") << patched(28, 32, 2) << "24-bit";
    QTest::newRow("run-length compressed") << patched(30, 1) << "uncompressed";
    QTest::newRow("old core header") << patched(14, 12) << "header";
    QTest::newRow("pixels cut short") << good.left(good.size() - 1) << "incomplete";
    QTest::newRow("header cut short") << good.left(30) << "incomplete";
    QTest::newRow("no width") << patched(18, 0) << "no pixels";
    QTest::newRow("negative width") << patched(18, quint32(-5)) << "no pixels";
    QTest::newRow("lowest height") << patched(22, 0x80000000u) << "";
    QTest::newRow("huge, in a small file") << patched(18, 60000) << "";
    QTest::newRow("pixels beyond the file") << patched(10, 0xfffffff0u) << "incomplete";
    QTest::newRow("not a bitmap") << QByteArray("BX") + good.mid(2) << "not a Windows bitmap";
}

// Anything but an intact, uncompressed 24-bit bitmap throws Error saying why.
void DecodingTest::bitmapRefusesOtherKinds()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, reason);
    TBitmap bitmap;
    try {
        bitmap.LoadFromData(data);
        QFAIL("the bitmap was accepted");
    } catch (const Error& error) {
        QVERIFY2(error.message().contains(reason), qPrintable(error.message()));
    }
    QVERIFY(bitmap.Empty());
}

// Assigning a picture gives the target its own copy of the graphic.
void DecodingTest::assignCopiesTheGraphic()
{
    TPicture source;
    source.setGraphic(std::make_unique<TBitmap>(CodedPicture(6, 4)));
    TPicture copy;
    QSignalSpy changes(&copy, &TPicture::changed);
    copy.Assign(source);
    QCOMPARE(changes.count(), 1);
    QVERIFY(copy.Graphic() != source.Graphic());
    QVERIFY(qobject_cast<TBitmap*>(copy.Graphic()));
    QCOMPARE(copy.Graphic()->Image(), source.Graphic()->Image());

    source.Graphic()->setTransparent(true);
    source.Clear();
    QVERIFY(!copy.Graphic()->Transparent());
    QCOMPARE(copy.Width(), 6);
    copy.Assign(source);
    QCOMPARE(copy.Graphic(), nullptr);
    QCOMPARE(copy.Width(), 0);
}

QTEST_GUILESS_MAIN(DecodingTest)
#include "decoding_test.moc"
