#include "twebbrowser.h"

#include "application.h"
#include "browser_engine.h"
#include "engine_module.h"
#include "error.h"

#include <QEvent>
#include <QVBoxLayout>
#include <exception>
#include <utility>

TWebBrowser::TWebBrowser(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_discardTimer.setObjectName(QStringLiteral("discardTimer"));
    m_discardTimer.setSingleShot(true);
    m_discardTimer.setInterval(kDiscardAfterMs);
    connect(&m_discardTimer, &QTimer::timeout, this, &TWebBrowser::discardPage);
}

TWebBrowser::~TWebBrowser()
{
    // The engine calls back into this control: it goes first.
    if (m_engine)
        delete m_engine->widget();
}

void TWebBrowser::startEngine()
{
    if (m_engine)
        return;
    BrowserEngine::Events events;
    events.beforeNavigate = [this](const QUrl& url, bool, bool followed) {
        bool cancel = false;
        const NavigationCause cause = followed ? NavigationCause::Followed : NavigationCause::Other;
        if (OnBeforeNavigate2)
            raiseInsideEngine(
                [&] { OnBeforeNavigate2(url.toString(QUrl::FullyEncoded), cause, cancel); });
        return !cancel;
    };
    events.navigateError = [this](const QUrl& url, int statusCode) {
        if (OnNavigateError)
            raiseInsideEngine(
                [&] { OnNavigateError(url.toString(QUrl::FullyEncoded), statusCode); });
    };
    m_engine = LoadBrowserEngine()(this, std::move(events));
    layout()->addWidget(m_engine->widget());
    m_engine->widget()->show();

    m_watchedWindow = window();
    m_watchedWindow->installEventFilter(this);
    if (!m_pending.isEmpty())
        m_engine->load(std::exchange(m_pending, QUrl()));
    windowPresenceChanged();
}

QObject* TWebBrowser::EnginePage()
{
    startEngine();
    return m_engine->page();
}

bool TWebBrowser::IsPageDiscarded() const
{
    return m_engine && m_engine->isDiscarded();
}

void TWebBrowser::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    RunGuarded([this] { startEngine(); });
}

bool TWebBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_watchedWindow) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::WindowStateChange:
            windowPresenceChanged();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TWebBrowser::windowAway() const
{
    const QWidget* top = window();
    return !top->isVisible() || top->isMinimized();
}

void TWebBrowser::windowPresenceChanged()
{
    if (!m_engine)
        return;
    if (!windowAway()) {
        m_discardTimer.stop();
        wakePage();
    } else if (!m_discardTimer.isActive() && !IsPageDiscarded()) {
        m_discardTimer.start();
    }
}

void TWebBrowser::discardPage()
{
    if (!m_engine || m_holds > 0 || !windowAway() || IsPageDiscarded())
        return;
    m_engine->discard();
}

void TWebBrowser::wakePage()
{
    m_engine->wake(m_engine->widget()->isVisible());
}

void TWebBrowser::HoldPage(bool hold)
{
    m_holds += hold ? 1 : -1;
    Q_ASSERT(m_holds >= 0);
    // A capture that ends while the window is away starts the wait again.
    if (m_holds == 0)
        windowPresenceChanged();
}

void TWebBrowser::Navigate(const QString& url)
{
    if (url.trimmed().isEmpty())
        throw Error(QStringLiteral("There is no address to go to"));
    // Typed text goes as it is: the engine copes with unencoded blanks, '|'
    // and the like, which the tolerant parse encodes rather than refuses.
    QUrl address(url, QUrl::TolerantMode);
    if (address.isValid() && address.isRelative())
        address = QUrl::fromUserInput(url);
    if (!address.isValid() || address.isRelative())
        throw Error(QStringLiteral("\"%1\" is not a valid address").arg(url));
    if (!m_engine) {
        m_pending = address;
        return;
    }
    wakePage();
    m_engine->load(address);
}

void TWebBrowser::GoBack()
{
    startEngine();
    wakePage();
    if (!m_engine->canGoBack())
        throw Error(QStringLiteral("There is no earlier page to go back to"));
    m_engine->back();
}

void TWebBrowser::Refresh()
{
    if (!m_engine) {
        startEngine(); // shows the kept address, if any
        return;
    }
    if (IsPageDiscarded()) {
        wakePage(); // reloads
        return;
    }
    m_engine->reload();
}

void TWebBrowser::ContinueAfterEvent(std::function<void()> work)
{
    // A zero timer fires from the event loop proper, after the engine's call
    // into its navigation decision has returned.
    QTimer::singleShot(0, this, [work = std::move(work)] { RunGuarded(work); });
}

void TWebBrowser::raiseInsideEngine(const std::function<void()>& event)
{
    // The engine calls us from its own frames: no exception may unwind through
    // them, and the error box (a modal loop) must wait until the engine is free.
    try {
        event();
    } catch (...) {
        ContinueAfterEvent(
            [failure = std::current_exception()] { std::rethrow_exception(failure); });
    }
}
