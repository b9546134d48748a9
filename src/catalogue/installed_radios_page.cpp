#include "installed_radios_page.h"

#include "catalogue_store.h"
#include "station_list.h"

#include <QListWidget>
#include <QPushButton>

InstalledRadiosPage::InstalledRadiosPage(const InstalledRadiosWidgets& widgets,
                                         CatalogueStore& catalogue, QWidget* owner)
    : QObject(owner), m_widgets(widgets), m_catalogue(catalogue), m_owner(owner)
{
    connect(m_widgets.Button5, &QPushButton::clicked, this, &InstalledRadiosPage::Button5Click);
    connect(m_widgets.Button6, &QPushButton::clicked, this, &InstalledRadiosPage::Button6Click);
    connect(m_widgets.Button11, &QPushButton::clicked, this, &InstalledRadiosPage::Button11Click);
}

void InstalledRadiosPage::Button5Click()
{
    // TODO(installed-radios issue): delete the selected station.
}

void InstalledRadiosPage::Button6Click()
{
    // TODO(installed-radios issue): new-description dialog.
}

void InstalledRadiosPage::Button11Click()
{
    RefreshStationList(*m_widgets.list, m_catalogue);
}
