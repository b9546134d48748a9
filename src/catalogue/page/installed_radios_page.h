#pragma once

#include <QList>
#include <QWidget>
#include <memory>

class CatalogueStore;
class QEvent;
namespace Ui {
class InstalledRadiosPage;
}

// The "Installed radios" page: delete, re-describe and refresh the stations,
// and ask to listen to one (the control page does the listening).
class InstalledRadiosPage final : public QWidget
{
    Q_OBJECT
public:
    explicit InstalledRadiosPage(CatalogueStore& catalogue, QWidget* parent = nullptr);
    ~InstalledRadiosPage() override;

    Ui::InstalledRadiosPage& form() { return *ui; }
    // The page's controls in the order Tab visits them.
    QList<QWidget*> TabStops() const;

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
    std::unique_ptr<Ui::InstalledRadiosPage> ui;
    CatalogueStore& m_catalogue;
    // Compared by address only: while the list is being destroyed it must not be asked.
    const QObject* m_listViewport = nullptr;
};
