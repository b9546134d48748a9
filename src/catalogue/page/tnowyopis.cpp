#include "tnowyopis.h"

#include "catalogue_store.h"
#include "ui_nowyopis.h"

Tnowyopis::Tnowyopis(QWidget* owner, CatalogueStore& catalogue, int slot)
    : FixedDialog(owner), ui(std::make_unique<Ui::Tnowyopis>()), m_catalogue(catalogue),
      m_slot(slot)
{
    ui->setupUi(this);
    finishLayout(ui->Button1, ui->Button2);
    connect(ui->Button1, &QPushButton::clicked, this, &Tnowyopis::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &Tnowyopis::Button2Click);
}

Tnowyopis::~Tnowyopis() = default;

void Tnowyopis::Button1Click()
{
    // A failed write throws past accept(): the dialog stays open with the text.
    m_catalogue.SetStationDescription(m_slot, ui->nopis->text());
    accept();
}

void Tnowyopis::Button2Click()
{
    reject();
}
