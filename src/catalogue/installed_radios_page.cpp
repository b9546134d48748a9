#include "installed_radios_page.h"

#include "catalogue_store.h"
#include "message_boxes.h"
#include "station_list.h"
#include "tnowyopis.h"

#include <QEvent>
#include <QListWidget>
#include <QPushButton>

namespace {

// The row the user picked, or -1. The current row alone is not a choice: a
// list can have one without anything being selected.
int SelectedRow(const QListWidget& list)
{
    const QList<QListWidgetItem*> selected = list.selectedItems();
    return selected.isEmpty() ? -1 : list.row(selected.first());
}

} // namespace

InstalledRadiosPage::InstalledRadiosPage(const InstalledRadiosWidgets& widgets,
                                         CatalogueStore& catalogue, QWidget* owner)
    : QObject(owner), m_widgets(widgets), m_catalogue(catalogue), m_owner(owner),
      m_listViewport(widgets.list->viewport())
{
    connect(m_widgets.Button5, &QPushButton::clicked, this, &InstalledRadiosPage::Button5Click);
    connect(m_widgets.Button6, &QPushButton::clicked, this, &InstalledRadiosPage::Button6Click);
    connect(m_widgets.Button11, &QPushButton::clicked, this, &InstalledRadiosPage::Button11Click);
    connect(m_widgets.wybraneradiobtn, &QPushButton::clicked, this,
            &InstalledRadiosPage::wybraneradiobtnClick);
    // A double-click anywhere in the list listens, on a line or below the last
    // one; the view's own signal only reports double-clicks on lines.
    m_widgets.list->viewport()->installEventFilter(this);
}

bool InstalledRadiosPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick && watched == m_listViewport)
        wybraneradiobtnClick();
    return QObject::eventFilter(watched, event);
}

void InstalledRadiosPage::Button5Click()
{
    // The catalogue is dense, so the row is the slot.
    const int row = SelectedRow(*m_widgets.list);
    if (row < 0)
        ShowMessage(QStringLiteral("Select a radio from the list by clicking on its name."));
    else
        m_catalogue.DeleteStation(row);
    RefreshStationList(*m_widgets.list, m_catalogue);
}

void InstalledRadiosPage::Button6Click()
{
    const int row = SelectedRow(*m_widgets.list);
    if (row < 0) {
        ShowMessage(QStringLiteral("Please select a station to modify first."));
        return;
    }
    // A fresh dialog each time, so nothing typed earlier survives. The row is
    // fixed now: the dialog is modal, the selection cannot change meanwhile.
    Tnowyopis dialog(m_owner, m_catalogue, row);
    dialog.exec();
}

void InstalledRadiosPage::Button11Click()
{
    RefreshStationList(*m_widgets.list, m_catalogue);
}

void InstalledRadiosPage::wybraneradiobtnClick()
{
    // The catalogue keeps its slots contiguous from 0, so line i is slot i.
    const int slot = SelectedRow(*m_widgets.list);
    if (slot < 0) {
        ShowMessage(QStringLiteral("Click on an item from the list."));
        return;
    }
    Q_EMIT listenRequested(slot);
}
