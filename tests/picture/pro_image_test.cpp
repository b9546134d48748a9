// The picture control: where it draws, when it is opaque, sizing, repaints,
// tiling, incremental display, palette requests, mouse events, and its use
// from Designer forms.
#include "application.h"
#include "bitmap.h"
#include "error.h"
#include "jpeg_image.h"
#include "picture_samples.h"
#include "pro_image.h"
#include "test_main.h"
#include "ui_picture_gallery.h"

#include <QEnterEvent>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QRgb kWindowColour = qRgb(67, 100, 150);

// Counts the events of one type that reach a widget.
class EventCounter final : public QObject
{
public:
    EventCounter(QObject* target, QEvent::Type type) : m_type(type)
    {
        target->installEventFilter(this);
    }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == m_type)
            ++count;
        return false;
    }

private:
    QEvent::Type m_type;
};

// A graphic with a palette of its own, as old 8-bit pictures had.
class PaletteGraphic final : public TGraphic
{
public:
    PaletteGraphic() { setImage(CodedPicture(20, 20)); }
    TPaletteHandle Palette() const override { return 1; }
    void LoadFromData(const QByteArray&) override {}
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<PaletteGraphic>(); }
};

// A window in the main window's colour holding one control at (10, 10).
struct Scene
{
    Scene()
    {
        window.resize(620, 220);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, QColor(kWindowColour));
        window.setPalette(palette);
        window.setAutoFillBackground(true);
        control = new TProImage(&window);
        control->move(10, 10);
    }
    void setPicture(const QImage& image)
    {
        control->Picture().setGraphic(std::make_unique<TBitmap>(image));
    }
    // The control's pixel (x, y) as it appears in the window.
    QRgb at(const QImage& shot, int x, int y) const { return shot.pixel(10 + x, 10 + y); }
    QImage shot() { return window.grab().toImage(); }

    QWidget window;
    TProImage* control = nullptr;
};

} // namespace

class ProImageTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void placement_data();
    void placement();
    void stretchFillsTheControl();
    void opacity_data();
    void opacity();
    void autoSize();
    void settersRepaintOnlyOnChange();
    void tiling();
    void tilingAnEmptyGraphicDrawsNothing();
    void transparentBitmapShowsTheParent();
    void incrementalDisplayPaintsWhileDecoding();
    void paletteRequests();
    void mouseEnterAndLeave();
    void designerFormLoadsPictures();
};

void ProImageTest::placement_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("control");
    QTest::addColumn<bool>("center");
    QTest::addColumn<QPoint>("origin");
    QTest::newRow("own size, cut below, strip on the right")
        << QSize(379, 110) << QSize(381, 109) << false << QPoint(0, 0);
    QTest::newRow("centred, larger both ways")
        << QSize(527, 146) << QSize(525, 144) << true << QPoint(-1, -1);
    QTest::newRow("centred, truncating toward zero")
        << QSize(379, 110) << QSize(381, 109) << true << QPoint(1, 0);
    QTest::newRow("centred, smaller") << QSize(20, 10) << QSize(31, 21) << true << QPoint(5, 5);
}

// Unstretched pictures land at the placement rectangle's corner at their own
// size; everything outside them shows the parent's background.
void ProImageTest::placement()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, control);
    QFETCH(bool, center);
    QFETCH(QPoint, origin);
    Scene scene;
    scene.control->resize(control);
    scene.control->setCenter(center);
    scene.setPicture(CodedPicture(picture.width(), picture.height()));
    QCOMPARE(scene.control->DestRect(), QRect(origin, picture));

    const QImage shot = scene.shot();
    const QRect covered = QRect(origin, picture) & QRect(QPoint(0, 0), control);
    for (int y = 0; y < control.height(); ++y) {
        for (int x = 0; x < control.width(); ++x) {
            const QRgb pixel = scene.at(shot, x, y);
            if (covered.contains(x, y)) {
                if (SourceOf(pixel) != QPoint(x, y) - origin)
                    QFAIL(qPrintable(QStringLiteral("wrong picture pixel at %1,%2").arg(x).arg(y)));
            } else if ((pixel & 0xffffff) != (kWindowColour & 0xffffff)) {
                QFAIL(qPrintable(QStringLiteral("no background at %1,%2").arg(x).arg(y)));
            }
        }
    }
}

// Stretch fills the whole control and wins over Center.
void ProImageTest::stretchFillsTheControl()
{
    Scene scene;
    scene.control->setGeometry(10, 10, 177, 49);
    scene.control->setCenter(true);
    scene.control->setStretch(true);
    scene.setPicture(CodedPicture(370, 118));
    QCOMPARE(scene.control->DestRect(), QRect(0, 0, 177, 49));
    const QImage shot = scene.shot();
    for (int y = 0; y < 49; ++y) {
        for (int x = 0; x < 177; ++x)
            QVERIFY2(IsCoded(scene.at(shot, x, y)),
                     qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }
    // The far corner of the picture reaches the far corner of the control.
    const QPoint far = SourceOf(scene.at(shot, 176, 48));
    QVERIFY2(far.x() > 360 && far.y() > 110,
             qPrintable(QStringLiteral("%1,%2").arg(far.x()).arg(far.y())));
}

void ProImageTest::opacity_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<bool>("jpeg");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<bool>("tiled");
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<bool>("opaque");
    // The control is 100 x 50.
    QTest::newRow("stretched small JPEG")
        << QSize(10, 10) << true << true << false << false << true;
    QTest::newRow("same size") << QSize(100, 50) << false << false << false << false << true;
    QTest::newRow("larger") << QSize(200, 60) << false << false << false << false << true;
    QTest::newRow("too narrow") << QSize(99, 60) << false << false << false << false << false;
    QTest::newRow("too low") << QSize(120, 49) << false << false << false << false << false;
    QTest::newRow("small and tiled") << QSize(10, 10) << false << false << true << false << false;
    QTest::newRow("transparent, stretched")
        << QSize(200, 60) << false << true << false << true << false;
    QTest::newRow("no picture") << QSize() << false << true << false << false << false;
}

// The control claims to be opaque only when a non-transparent picture covers it.
void ProImageTest::opacity()
{
    QFETCH(QSize, picture);
    QFETCH(bool, jpeg);
    QFETCH(bool, stretch);
    QFETCH(bool, tiled);
    QFETCH(bool, transparent);
    QFETCH(bool, opaque);
    Scene scene;
    scene.control->resize(100, 50);
    // Start from the opposite state so a step that does nothing shows.
    scene.control->setAttribute(Qt::WA_OpaquePaintEvent, !opaque);
    scene.control->setStretch(stretch);
    scene.control->setTiled(tiled);
    scene.control->setTransparent(transparent);
    if (jpeg)
        scene.control->Picture().LoadFromData(
            EncodeJpeg(CodedPicture(picture.width(), picture.height())));
    else if (picture.isValid())
        scene.setPicture(CodedPicture(picture.width(), picture.height()));
    else
        scene.control->Picture().Clear();
    QCOMPARE(scene.control->testAttribute(Qt::WA_OpaquePaintEvent), opaque);
    if (TGraphic* graphic = scene.control->Picture().Graphic())
        QCOMPARE(graphic->Transparent(), transparent);
}

// AutoSize takes the picture's size and keeps the position; an empty picture
// leaves the bounds alone.
void ProImageTest::autoSize()
{
    Scene scene;
    QCOMPARE(scene.control->size(), QSize(105, 105));
    scene.control->move(5, 6);
    scene.control->setAutoSize(true);
    QCOMPARE(scene.control->geometry(), QRect(5, 6, 105, 105));
    scene.setPicture(CodedPicture(40, 30));
    QCOMPARE(scene.control->geometry(), QRect(5, 6, 40, 30));
    scene.control->Picture().Clear();
    QCOMPARE(scene.control->geometry(), QRect(5, 6, 40, 30));

    scene.control->setAutoSize(false);
    scene.setPicture(CodedPicture(70, 20));
    QCOMPARE(scene.control->size(), QSize(40, 30));
    // Setting it again, even to the same value, resizes at once.
    scene.control->resize(10, 10);
    scene.control->setAutoSize(false);
    QCOMPARE(scene.control->size(), QSize(10, 10));
    scene.control->setAutoSize(true);
    QCOMPARE(scene.control->size(), QSize(70, 20));
}

// Setting Stretch, Center, Tiled or Transparent to the value they have paints
// nothing; a real change repaints, and AutoSize repaints even unchanged.
void ProImageTest::settersRepaintOnlyOnChange()
{
    Scene scene;
    // A sibling whose repaint proves that a paint cycle has run.
    auto* sentinel = new QWidget(&scene.window);
    sentinel->setGeometry(400, 10, 10, 10);
    scene.setPicture(CodedPicture(30, 30));
    scene.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene.window));
    EventCounter paints(scene.control, QEvent::Paint);
    EventCounter sentinelPaints(sentinel, QEvent::Paint);
    auto paintCycle = [&] {
        paints.count = 0;
        const int before = sentinelPaints.count;
        sentinel->update();
        QTRY_VERIFY(sentinelPaints.count > before);
    };
    paintCycle();

    const std::vector<std::pair<const char*, std::function<void(bool)>>> setters = {
        {"Stretch", [&](bool v) { scene.control->setStretch(v); }},
        {"Center", [&](bool v) { scene.control->setCenter(v); }},
        {"Tiled", [&](bool v) { scene.control->setTiled(v); }},
        {"Transparent", [&](bool v) { scene.control->setTransparent(v); }},
    };
    for (const auto& [name, set] : setters) {
        paints.count = 0;
        set(false);
        paintCycle();
        QVERIFY2(paints.count == 0, name);
        set(true);
        QTRY_VERIFY2(paints.count > 0, name);
        set(false);
        paintCycle();
    }
    paintCycle();
    scene.control->setAutoSize(false);
    QTRY_VERIFY(paints.count > 0);
}

// Tiling repeats the picture from the top-left corner, ignoring Stretch and Center.
void ProImageTest::tiling()
{
    Scene scene;
    scene.control->resize(35, 20);
    scene.control->setStretch(true);
    scene.control->setCenter(true);
    scene.control->setTiled(true);
    scene.setPicture(CodedPicture(10, 7));
    const QImage shot = scene.shot();
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 35; ++x) {
            if (SourceOf(scene.at(shot, x, y)) != QPoint(x % 10, y % 7))
                QFAIL(qPrintable(QStringLiteral("wrong tile pixel at %1,%2").arg(x).arg(y)));
        }
    }
    // Just past the control the window shows.
    QCOMPARE(scene.at(shot, 35, 5) & 0xffffff, kWindowColour & 0xffffff);
}

// A tiled control whose graphic has no pixels paints the background and returns.
void ProImageTest::tilingAnEmptyGraphicDrawsNothing()
{
    Scene scene;
    scene.control->setTiled(true);
    scene.control->Picture().setGraphic(std::make_unique<TBitmap>());
    QVERIFY(scene.control->Picture().Graphic());
    const QImage shot = scene.shot();
    QCOMPARE(scene.at(shot, 50, 50) & 0xffffff, kWindowColour & 0xffffff);
}

// A transparent bitmap leaves the pixels of its bottom-left colour to the parent.
void ProImageTest::transparentBitmapShowsTheParent()
{
    Scene scene;
    QImage image = CodedPicture(20, 20);
    const QRgb key = qRgb(1, 2, 3);
    image.setPixel(0, 19, key);
    image.setPixel(5, 5, key);
    scene.control->resize(20, 20);
    scene.setPicture(image);
    QVERIFY(scene.control->testAttribute(Qt::WA_OpaquePaintEvent));
    scene.control->setTransparent(true);
    QVERIFY(!scene.control->testAttribute(Qt::WA_OpaquePaintEvent));
    QImage shot = scene.shot();
    QCOMPARE(scene.at(shot, 5, 5) & 0xffffff, kWindowColour & 0xffffff);
    QCOMPARE(scene.at(shot, 0, 19) & 0xffffff, kWindowColour & 0xffffff);
    QCOMPARE(SourceOf(scene.at(shot, 6, 5)), QPoint(6, 5));
    scene.control->setTransparent(false);
    shot = scene.shot();
    QCOMPARE(scene.at(shot, 5, 5) & 0xffffff, key & 0xffffff);
}

// With IncrementalDisplay the control paints while a JPEG is still being
// decoded; without it, only once the picture is complete. Progress handlers
// see the decoding graphic as sender.
void ProImageTest::incrementalDisplayPaintsWhileDecoding()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("tall.jpg"));
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(EncodeJpeg(CodedPicture(64, 96)));
    }
    for (const bool incremental : {true, false}) {
        Scene scene;
        scene.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&scene.window));
        scene.control->setIncrementalDisplay(incremental);
        EventCounter paints(scene.control, QEvent::Paint);
        int paintsWhileDecoding = -1;
        QObject* sender = nullptr;
        scene.control->setOnProgress(
            [&](QObject* from, TProgressStage stage, quint8, bool, const QRect&, const QString&) {
                sender = from;
                if (stage == TProgressStage::psEnding)
                    paintsWhileDecoding = paints.count;
            });
        scene.control->setPictureFile(file);
        QCOMPARE(scene.control->PictureFile(), file);
        QCOMPARE(sender, scene.control->Picture().Graphic());
        if (incremental)
            QVERIFY(paintsWhileDecoding >= 6);
        else
            QCOMPARE(paintsWhileDecoding, 0);
    }
}

// A graphic with a palette asks its active window to realise it, by a posted
// event, and the request is then done; elsewhere the request waits.
void ProImageTest::paletteRequests()
{
    Scene scene;
    EventCounter queries(&scene.window, TProImage::QueryNewPaletteEvent());

    // Not visible yet: the request stays pending.
    scene.control->Picture().setGraphic(std::make_unique<PaletteGraphic>());
    QVERIFY(scene.control->Picture().Graphic()->PaletteModified());
    QCOMPARE(scene.control->GetPalette(), TPaletteHandle(1));

    // Shown but another window is active: still pending.
    QWidget other;
    scene.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene.window));
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    scene.control->setStretch(true);
    QVERIFY(scene.control->Picture().Graphic()->PaletteModified());

    scene.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&scene.window));
    scene.control->setStretch(false);
    QVERIFY(!scene.control->Picture().Graphic()->PaletteModified());
    QTRY_COMPARE(queries.count, 1);

    // A graphic without a palette just drops the request.
    scene.setPicture(CodedPicture(5, 5));
    scene.control->Picture().Graphic()->setPaletteModified(true);
    scene.control->setStretch(true);
    QVERIFY(!scene.control->Picture().Graphic()->PaletteModified());
    QCOMPARE(scene.control->GetPalette(), TPaletteHandle(0));
    scene.control->Picture().Clear();
    QCOMPARE(scene.control->GetPalette(), TPaletteHandle(0));
    QCoreApplication::sendPostedEvents();
    QCOMPARE(queries.count, 1);
}

// Entering and leaving raise the handlers with the control as sender.
void ProImageTest::mouseEnterAndLeave()
{
    TProImage control;
    QStringList seen;
    // Without handlers nothing happens.
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&control, &enter);
    QCoreApplication::sendEvent(&control, &leave);

    control.setOnMouseEnter([&](QObject* sender) {
        QCOMPARE(sender, &control);
        seen << QStringLiteral("enter");
    });
    control.setOnMouseLeave([&](QObject* sender) {
        QCOMPARE(sender, &control);
        seen << QStringLiteral("leave");
    });
    QCoreApplication::sendEvent(&control, &enter);
    QCoreApplication::sendEvent(&control, &leave);
    QCOMPARE(seen, QStringList({QStringLiteral("enter"), QStringLiteral("leave")}));
}

// A Designer form places the controls with their pictures, stretch flags and hints.
void ProImageTest::designerFormLoadsPictures()
{
    QWidget form;
    Ui::PictureGallery ui;
    ui.setupUi(&form);
    QCOMPARE(ui.ProImage3->Picture().Width(), 379);
    QCOMPARE(ui.ProImage3->geometry(), QRect(12, 4, 381, 109));
    QVERIFY(!ui.ProImage3->Stretch());
    QCOMPARE(ui.ProImage3->toolTip(), QStringLiteral("The header banner"));
    QVERIFY(ui.ProImage2->Stretch());
    QCOMPARE(ui.ProImage2->Picture().Height(), 118);
    QCOMPARE(ui.ProImage4->Picture().Width(), 181);
    QCOMPARE(ui.ProImage1->Picture().Width(), 406);
    QVERIFY(qobject_cast<TBitmap*>(ui.Splash->Picture().Graphic()));
    QVERIFY(ui.ProImage2->testAttribute(Qt::WA_OpaquePaintEvent));
    QVERIFY(!ui.ProImage3->testAttribute(Qt::WA_OpaquePaintEvent));
    QVERIFY(ui.Splash->testAttribute(Qt::WA_OpaquePaintEvent));

    // A file that cannot be read throws and keeps the picture.
    QVERIFY_THROWS_EXCEPTION(Error, ui.ProImage3->setPictureFile(QStringLiteral(":/nothing.jpg")));
    QCOMPARE(ui.ProImage3->Picture().Width(), 379);
    QCOMPARE(ui.ProImage3->PictureFile(), QStringLiteral(":/pictures/header.jpg"));
}

WAVEDOCK_TEST_MAIN(ProImageTest)
#include "pro_image_test.moc"
