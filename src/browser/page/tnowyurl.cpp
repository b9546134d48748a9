#include "tnowyurl.h"

#include "ui_nowyurl.h"
#include "web_browser.h"

Tnowyurl::Tnowyurl(QWidget* owner, WebBrowser& browser)
    : FixedDialog(owner), ui(std::make_unique<Ui::Tnowyurl>()), m_browser(browser)
{
    ui->setupUi(this);
    finishLayout(ui->Button1);
    connect(ui->Button1, &QPushButton::clicked, this, &Tnowyurl::Button1Click);
}

Tnowyurl::~Tnowyurl() = default;

void Tnowyurl::Button1Click()
{
    // The text goes as typed; a failing Navigate leaves the dialog open.
    m_browser.Navigate(ui->adresbox->text());
    close();
    deleteLater();
}
