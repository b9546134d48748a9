#include "tnowyopis.h"

#include "ui_nowyopis.h"

Tnowyopis::Tnowyopis(QWidget* owner, CatalogueStore& catalogue, int slot)
    : FixedDialog(owner), ui(std::make_unique<Ui::Tnowyopis>()), m_catalogue(catalogue),
      m_slot(slot)
{
    ui->setupUi(this);
    finishLayout();
    connect(ui->Button1, &QPushButton::clicked, this, &Tnowyopis::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &Tnowyopis::Button2Click);
}

Tnowyopis::~Tnowyopis() = default;

// TODO(installed-radios issue): Ok and Cancel.
void Tnowyopis::Button1Click() {}
void Tnowyopis::Button2Click() {}
