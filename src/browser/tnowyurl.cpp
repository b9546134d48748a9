#include "tnowyurl.h"

#include "ui_nowyurl.h"

Tnowyurl::Tnowyurl(QWidget* owner, WebBrowser& browser)
    : FixedDialog(owner), ui(std::make_unique<Ui::Tnowyurl>()), m_browser(browser)
{
    ui->setupUi(this);
    finishLayout();
    connect(ui->Button1, &QPushButton::clicked, this, &Tnowyurl::Button1Click);
}

Tnowyurl::~Tnowyurl() = default;

// TODO(browser-page issue): Ok.
void Tnowyurl::Button1Click() {}
