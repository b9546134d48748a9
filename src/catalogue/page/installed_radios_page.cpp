#include "installed_radios_page.h"

#include "catalogue_store.h"
#include "message_boxes.h"
#include "station_list.h"
#include "tnowyopis.h"
#include "ui_installed_radios_page.h"

#include <QEvent>
#include <QListWidget>
#include <QPushButton>

namespace {

// The row the user picked, or -1 once `message` has told them to pick one. The
// current row alone is not a choice: a list can have one without anything
// being selected.
int SelectedRowOrTell(const QListWidget& list, const QString& message)
{
    const QList<QListWidgetItem*> selected = list.selectedItems();
    if (selected.isEmpty()) {
        ShowMessage(message);
        return -1;
    }
    return list.row(selected.first());
}

} // namespace

InstalledRadiosPage::InstalledRadiosPage(CatalogueStore& catalogue, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::InstalledRadiosPage>()), m_catalogue(catalogue)
{
    ui->setupUi(this);
    m_listViewport = ui->list->viewport();
    connect(ui->Button5, &QPushButton::clicked, this, &InstalledRadiosPage::Button5Click);
    connect(ui->Button6, &QPushButton::clicked, this, &InstalledRadiosPage::Button6Click);
    connect(ui->Button11, &QPushButton::clicked, this, &InstalledRadiosPage::Button11Click);
    connect(ui->wybraneradiobtn, &QPushButton::clicked, this,
            &InstalledRadiosPage::wybraneradiobtnClick);
    // A double-click anywhere in the list listens, on a line or below the last
    // one; the view's own signal only reports double-clicks on lines.
    ui->list->viewport()->installEventFilter(this);
}

InstalledRadiosPage::~InstalledRadiosPage() = default;

QList<QWidget*> InstalledRadiosPage::TabStops() const
{
    return {ui->list, ui->wybraneradiobtn, ui->Button5, ui->Button6, ui->Button10, ui->Button11};
}

bool InstalledRadiosPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick && watched == m_listViewport)
        wybraneradiobtnClick();
    return QWidget::eventFilter(watched, event);
}

void InstalledRadiosPage::Button5Click()
{
    // The catalogue is dense, so the row is the slot.
    const int row = SelectedRowOrTell(
        *ui->list, QStringLiteral("Select a radio from the list by clicking on its name."));
    if (row >= 0)
        m_catalogue.DeleteStation(row);
    RefreshStationList(*ui->list, m_catalogue);
}

void InstalledRadiosPage::Button6Click()
{
    const int row =
        SelectedRowOrTell(*ui->list, QStringLiteral("Please select a station to modify first."));
    if (row < 0)
        return;
    // A fresh dialog each time, so nothing typed earlier survives. The row is
    // fixed now: the dialog is modal, the selection cannot change meanwhile.
    Tnowyopis dialog(window(), m_catalogue, row);
    dialog.exec();
}

void InstalledRadiosPage::Button11Click()
{
    RefreshStationList(*ui->list, m_catalogue);
}

void InstalledRadiosPage::wybraneradiobtnClick()
{
    // The catalogue keeps its slots contiguous from 0, so line i is slot i.
    const int slot =
        SelectedRowOrTell(*ui->list, QStringLiteral("Click on an item from the list."));
    if (slot >= 0)
        Q_EMIT listenRequested(slot);
}
