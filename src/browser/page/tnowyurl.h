#pragma once

#include "fixed_dialog.h"

#include <memory>

namespace Ui {
class Tnowyurl;
}
class WebBrowser;

// The new-URL dialog: sends the browser to a typed address. Modeless; several
// may be open at once.
class Tnowyurl final : public FixedDialog
{
    Q_OBJECT
public:
    Tnowyurl(QWidget* owner, WebBrowser& browser);
    ~Tnowyurl() override;

    Ui::Tnowyurl& form() { return *ui; }

    void Button1Click(); // Ok

private:
    std::unique_ptr<Ui::Tnowyurl> ui;
    WebBrowser& m_browser;
};
