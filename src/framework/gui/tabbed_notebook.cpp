#include "tabbed_notebook.h"

#include <QApplication>
#include <QStackedWidget>
#include <QTabBar>

namespace {

// The page area sits at a fixed place inside the notebook, below one row of tabs.
constexpr int kPageLeft = 4;
constexpr int kPageTop = 24;

} // namespace

TTabbedNotebook::TTabbedNotebook(QWidget* parent) : QTabWidget(parent)
{
    QFont tabFont(QStringLiteral("MS Sans Serif"));
    tabFont.setPixelSize(11);
    tabBar()->setFont(tabFont);
    // Tab captions are drawn in the system's button-text colour, not in the
    // colour the notebook hands down to its pages. A role set here is the
    // tab bar's own, so a palette given to the notebook later leaves it be.
    QPalette captions = tabBar()->palette();
    const QPalette system = QApplication::palette();
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        captions.setColor(group, QPalette::WindowText, system.color(group, QPalette::ButtonText));
        captions.setColor(group, QPalette::ButtonText, system.color(group, QPalette::ButtonText));
    }
    tabBar()->setPalette(captions);
    tabBar()->setDrawBase(false);
    tabBar()->installEventFilter(this);
    connect(this, &QTabWidget::currentChanged, this, &TTabbedNotebook::onCurrentChanged);
}

QString TTabbedNotebook::ActivePage() const
{
    return tabText(currentIndex());
}

void TTabbedNotebook::setActivePage(const QString& caption)
{
    for (int i = 0; i < count(); ++i) {
        if (tabText(i).compare(caption, Qt::CaseInsensitive) != 0)
            continue;
        if (i == currentIndex())
            return;
        // Focus on a page that goes away would be left on a hidden widget.
        const QWidget* focused = QApplication::focusWidget();
        const bool focusInside = focused && isAncestorOf(focused);
        setCurrentIndex(i);
        if (focusInside)
            setFocus();
        return;
    }
}

void TTabbedNotebook::tabInserted(int index)
{
    QTabWidget::tabInserted(index);
    QWidget* page = widget(index);
    QPalette face;
    face.setBrush(QPalette::Window, QApplication::palette().brush(QPalette::Window));
    page->setPalette(face);
    page->setAutoFillBackground(true);
    page->setEnabled(index == currentIndex());
    placePageArea();
}

bool TTabbedNotebook::event(QEvent* event)
{
    const bool handled = QTabWidget::event(event);
    // The base lays its pages out again on each of these; put them back.
    switch (event->type()) {
    case QEvent::LayoutRequest:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Polish:
    case QEvent::StyleChange:
    case QEvent::FontChange:
        placePageArea();
        break;
    default:
        break;
    }
    return handled;
}

bool TTabbedNotebook::eventFilter(QObject* watched, QEvent* event)
{
    // Qt shows the keyboard's focus frame only once Tab has moved the focus;
    // arrows that move it from tab to tab after a click show it too.
    if (watched == tabBar() && event->type() == QEvent::KeyPress &&
        !window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        window()->setAttribute(Qt::WA_KeyboardFocusChange);
        tabBar()->update();
    }
    return QTabWidget::eventFilter(watched, event);
}

void TTabbedNotebook::onCurrentChanged(int index)
{
    // Only the current page is enabled, so keyboard focus never lands on a hidden one.
    for (int i = 0; i < count(); ++i)
        widget(i)->setEnabled(i == index);
}

void TTabbedNotebook::placePageArea()
{
    if (auto* stack = findChild<QStackedWidget*>(QString(), Qt::FindDirectChildrenOnly))
        stack->setGeometry(kPageLeft, kPageTop, width() - 2 * kPageLeft,
                           height() - kPageTop - kPageLeft);
}
