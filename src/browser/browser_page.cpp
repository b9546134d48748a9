#include "browser_page.h"

#include "web_browser.h"

#include <QPushButton>

BrowserPage::BrowserPage(const BrowserWidgets& widgets, BrowserPageContext context)
    : QObject(context.owner), m_widgets(widgets), m_context(std::move(context))
{
}

// TODO(browser-page issue): every handler below.
void BrowserPage::Button9Click() {}
void BrowserPage::Button12Click() {}
void BrowserPage::Button2Click() {}
void BrowserPage::Button1Click() {}
void BrowserPage::Button3Click() {}
void BrowserPage::browserBeforeNavigate2(const QString&, bool&) {}
void BrowserPage::browserNavigateError(const QString&, int) {}
