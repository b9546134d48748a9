#pragma once

class CatalogueStore;
class QListWidget;

// Rebuilds the installed-radios list from the catalogue file; the selection goes.
void RefreshStationList(QListWidget& list, const CatalogueStore& catalogue);
