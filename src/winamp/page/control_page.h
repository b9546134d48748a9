#pragma once

#include <QList>
#include <QWidget>
#include <functional>
#include <memory>

class CatalogueStore;
class WinampLink;
namespace Ui {
class ControlPage;
}
namespace platform {
class Shell;
}

// What the control page needs from the rest of the main window.
struct ControlPageContext
{
    WinampLink& winamp;
    CatalogueStore& catalogue;
    platform::Shell& shell;
    // Selects a page of the main window's notebook by caption.
    std::function<void(const QString& caption)> selectPage;
    QString browserPageCaption;
};

// The "Winamp control" page: transport, volume, the readings and listening to
// an installed station.
class ControlPage final : public QWidget
{
    Q_OBJECT
public:
    explicit ControlPage(ControlPageContext context, QWidget* parent = nullptr);
    ~ControlPage() override;

    Ui::ControlPage& form() { return *ui; }
    // The page's controls in the order Tab visits them.
    QList<QWidget*> TabStops() const;

    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void glosnoscChange();
    void Button8Click();
    void Timer1Timer();
    // Listens to the station in `slot`: its playlist goes to the desktop's
    // player, this page shows with the station's name and description. When
    // no program takes the playlist, only a message says why.
    void Listen(int slot);
    // Shows a station's name and description in the page's two boxes.
    void ShowStation(const QString& name, const QString& description);
    // Asks the player what it plays and shows it; runs on each tick, after
    // each command and whenever the player tells of a change.
    void RefreshTrack();

Q_SIGNALS:
    // "Download another radio" wants the browser page's current page reloaded.
    void browserRefreshRequested();
    // What the page's station plays changed: `station` is its name while the
    // player plays it, empty otherwise; `track` is the track in words (see
    // now_playing::TrackWords), empty while the player names none.
    void nowPlayingChanged(const QString& station, const QString& track);

private:
    // Asks the player for bit rate, sample rate and channels, in that order,
    // and shows each in its band's colour.
    void RefreshReadings();

    std::unique_ptr<Ui::ControlPage> ui;
    ControlPageContext m_context;
    // Right edges (x + width) of the reading labels as laid out; they stay put
    // whatever the texts become.
    int m_brateRight = 0;
    int m_srateRight = 0;
    int m_channelsRight = 0;
    // As last announced by nowPlayingChanged.
    QString m_playingStation;
    QString m_playingTrack;
};
