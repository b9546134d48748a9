#pragma once

#include "fixed_dialog.h"

#include <memory>

namespace Ui {
class Tnowyopis;
}
class CatalogueStore;

// The new-description dialog for one installed station.
class Tnowyopis final : public FixedDialog
{
    Q_OBJECT
public:
    Tnowyopis(QWidget* owner, CatalogueStore& catalogue, int slot);
    ~Tnowyopis() override;

    Ui::Tnowyopis& form() { return *ui; }

    void Button1Click(); // Ok
    void Button2Click(); // Cancel

private:
    std::unique_ptr<Ui::Tnowyopis> ui;
    CatalogueStore& m_catalogue;
    int m_slot;
};
