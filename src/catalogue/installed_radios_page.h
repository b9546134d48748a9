#pragma once

#include <QObject>

class CatalogueStore;
class QListWidget;
class QPushButton;
class QWidget;

// The controls of the "Installed radios" page this class drives.
struct InstalledRadiosWidgets
{
    QListWidget* list;
    QPushButton* Button5;  // "Delete selected radio"
    QPushButton* Button6;  // "Edit description"
    QPushButton* Button11; // "Refresh list"
};

// The "Installed radios" page: delete, re-describe and refresh the stations.
// ("Listen to selected radio" belongs to the control page.)
class InstalledRadiosPage final : public QObject
{
    Q_OBJECT
public:
    InstalledRadiosPage(const InstalledRadiosWidgets& widgets, CatalogueStore& catalogue,
                        QWidget* owner);

    void Button5Click();
    void Button6Click();
    void Button11Click();

private:
    InstalledRadiosWidgets m_widgets;
    CatalogueStore& m_catalogue;
    QWidget* m_owner;
};
