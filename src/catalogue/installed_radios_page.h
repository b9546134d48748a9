#pragma once

#include <QObject>

class CatalogueStore;
class QEvent;
class QListWidget;
class QPushButton;
class QWidget;

// The controls of the "Installed radios" page this class drives.
struct InstalledRadiosWidgets
{
    QListWidget* list;
    QPushButton* wybraneradiobtn; // "Listen to selected radio"
    QPushButton* Button5;         // "Delete selected radio"
    QPushButton* Button6;         // "Edit description"
    QPushButton* Button11;        // "Refresh list"
};

// The "Installed radios" page: delete, re-describe and refresh the stations,
// and ask to listen to one (the control page does the listening).
class InstalledRadiosPage final : public QObject
{
    Q_OBJECT
public:
    InstalledRadiosPage(const InstalledRadiosWidgets& widgets, CatalogueStore& catalogue,
                        QWidget* owner);

    void Button5Click();
    void Button6Click();
    void Button11Click();
    void wybraneradiobtnClick();

Q_SIGNALS:
    // The user asked to listen to the station in `slot`.
    void listenRequested(int slot);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    InstalledRadiosWidgets m_widgets;
    CatalogueStore& m_catalogue;
    QWidget* m_owner;
    // Compared by address only: while the list is being destroyed it must not be asked.
    const QObject* m_listViewport;
};
