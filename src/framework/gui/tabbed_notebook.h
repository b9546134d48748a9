#pragma once

#include <QTabWidget>

// A tabbed notebook with a fixed page area, selected by page caption. The pages
// keep the system's button-face colour whatever the window around them shows.
class TTabbedNotebook final : public QTabWidget
{
    Q_OBJECT
public:
    explicit TTabbedNotebook(QWidget* parent = nullptr);

    // The caption of the current page.
    QString ActivePage() const;
    // Selects the first page whose caption equals `caption` without regard to
    // letter case; an unknown caption or the current page changes nothing.
    void setActivePage(const QString& caption);

protected:
    void tabInserted(int index) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onCurrentChanged(int index);
    void placePageArea();
};
