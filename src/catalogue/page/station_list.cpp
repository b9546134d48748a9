#include "station_list.h"

#include "catalogue_store.h"

#include <QListWidget>

namespace {
constexpr int kItemHeight = 13;
}

void RefreshStationList(QListWidget& list, const CatalogueStore& catalogue)
{
    list.clear();
    const QStringList rows = catalogue.StationRows();
    for (const QString& row : rows) {
        auto* item = new QListWidgetItem(row, &list);
        item->setSizeHint(QSize(0, kItemHeight));
    }
}
