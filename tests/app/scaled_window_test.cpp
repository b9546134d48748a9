#include "main_window_fixture.h"
#include "picture.h"
#include "pro_image.h"
#include "tabbed_notebook.h"
#include "test_main.h"
#include "tsplash.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QStackedWidget>
#include <QStyleOption>
#include <QTabBar>
#include <QTest>
#include <QWindow>

namespace {

// The share of aligned 2 x 2 pixel blocks that are one colour: 1 for a
// picture blown up to twice its size, far less for one drawn at that size.
double UniformBlocks(const QImage& image)
{
    int uniform = 0;
    int blocks = 0;
    for (int y = 0; y + 1 < image.height(); y += 2) {
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const QRgb corner = image.pixel(x, y);
            uniform += image.pixel(x + 1, y) == corner && image.pixel(x, y + 1) == corner &&
                       image.pixel(x + 1, y + 1) == corner;
            ++blocks;
        }
    }
    return blocks ? double(uniform) / blocks : 1.0;
}

// The colours met going up from the bottom edge of the notebook's page frame,
// drawn over the window's colour at `ratio` screen pixels per logical pixel.
QList<QRgb> PageFrameBottomUp(qreal ratio)
{
    const QSize logical(120, 60);
    QImage image((QSizeF(logical) * ratio).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(QColor(67, 100, 150));
    QStyleOptionTabWidgetFrame frame;
    frame.rect = QRect(QPoint(0, 0), logical);
    QPainter painter(&image);
    QApplication::style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter);
    painter.end();
    QList<QRgb> colours;
    for (int y = image.height() - 1; y >= 0 && colours.size() < 4; --y) {
        const QRgb pixel = image.pixel(image.width() / 2, y);
        if (colours.isEmpty() || colours.last() != pixel)
            colours << pixel;
    }
    return colours;
}

} // namespace

// Run with QT_SCALE_FACTOR=2, a screen at twice the density.
class ScaledWindowTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The stored layout holds in logical pixels at twice the pixels: the
    // window's size, the tab row above the pages, not over them.
    void layoutKeepsItsLogicalSize()
    {
        MainWindowFixture f;
        QVERIFY(f.ShowAndRunFirstIdlePass());
        QCOMPARE(f.window().windowHandle()->devicePixelRatio(), 2.0);
        QCOMPARE(f.window().size(), QSize(681, 496));
        const auto* stack = f.form().silnik->findChild<QStackedWidget*>();
        QCOMPARE(stack->geometry(), QRect(4, 24, 645, 277));
        // The tab row may share its bottom line with the pages' frame, no more.
        const QRect tabs = f.form().silnik->tabBar()->geometry();
        QVERIFY2(tabs.bottom() <= stack->geometry().top(),
                 qPrintable(QStringLiteral("tab row down to y = %1").arg(tabs.bottom())));
    }

    void pageFrameKeepsItsLines_data()
    {
        QTest::addColumn<qreal>("ratio");
        for (const qreal ratio : {1.25, 1.5, 1.75, 2.0})
            QTest::addRow("%g", ratio) << ratio;
    }

    // At any scale the page frame's bottom edge reads as at 1: shadow, dark
    // line, light line, page; no light seam below the dark line.
    void pageFrameKeepsItsLines()
    {
        QFETCH(qreal, ratio);
        QCOMPARE(PageFrameBottomUp(ratio), PageFrameBottomUp(1.0));
    }

    // Every banner is drawn from its double-size picture, not blown up: the
    // header at its own size pixel for pixel (decoded by libjpeg), the
    // stretched ones sharp. The splash and the icon have theirs too.
    void picturesAreDrawnAtTwiceTheSize()
    {
        MainWindowFixture f;
        QVERIFY(f.ShowAndRunFirstIdlePass());
        TPicture header;
        header.LoadFromFile(QStringLiteral(":/pictures/header@2x.jpg"));
        QImage shown = f.form().ProImage3->grab().toImage();
        shown.setDevicePixelRatio(1);
        QCOMPARE(shown.size(), QSize(762, 218));
        const QRect picture(0, 0, 758, 218);
        QCOMPARE(shown.copy(picture).convertToFormat(QImage::Format_RGB32),
                 header.Graphic()->Image().copy(picture).convertToFormat(QImage::Format_RGB32));

        const QList<TProImage*> stretched{f.form().ProImage2, f.radiosForm().ProImage4,
                                          f.controlForm().ProImage1};
        for (TProImage* banner : stretched) {
            const double uniform = UniformBlocks(banner->grab().toImage());
            QVERIFY2(uniform < 0.5, qPrintable(QStringLiteral("%1: %2 of its blocks doubled")
                                                   .arg(banner->objectName())
                                                   .arg(uniform)));
        }

        const auto* splashPicture = f.window().splash()->findChild<TProImage*>();
        QCOMPARE(splashPicture->Picture().Graphic()->DoubleSizeImage().size(), QSize(1054, 292));
        QVERIFY(QIcon(QStringLiteral(":/pictures/wavedock.png"))
                    .availableSizes()
                    .contains(QSize(96, 96)));
    }
};

WAVEDOCK_TEST_MAIN(ScaledWindowTest)

#include "scaled_window_test.moc"
