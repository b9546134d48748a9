#pragma once

#include <QObject>
#include <functional>

class CatalogueStore;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QToolButton;
class WebBrowser;
class WinampLink;
namespace platform {
class Shell;
}

// The controls the control page drives.
struct ControlWidgets
{
    QToolButton* SpeedButton1; // play
    QToolButton* SpeedButton2; // pause
    QToolButton* SpeedButton3; // stop
    QToolButton* SpeedButton4; // eject
    QSlider* glosnosc;
    QPushButton* Button8; // "Download another radio"
    QLineEdit* aktnazwa;
    QLineEdit* aktopis;
    QLabel* brate;
    QLabel* srate;
    QLabel* channels;
};

// What the control page needs from the rest of the main window.
struct ControlPageContext
{
    WinampLink& winamp;
    CatalogueStore& catalogue;
    platform::Shell& shell;
    WebBrowser& browser;
    // Selects a page of the main window's notebook by caption.
    std::function<void(const QString& caption)> selectPage;
    QString browserPageCaption;
};

// The "Winamp control" page: transport, volume, the readings and listening to
// an installed station.
class ControlPage final : public QObject
{
    Q_OBJECT
public:
    ControlPage(const ControlWidgets& widgets, ControlPageContext context, QObject* parent);

    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void glosnoscChange();
    void Button8Click();
    void Timer1Timer();
    // Listens to the station in `slot`: its playlist goes to the desktop's
    // player, this page shows with the station's name and description.
    void Listen(int slot);
    // Shows a station's name and description in the page's two boxes.
    void ShowStation(const QString& name, const QString& description);

private:
    // Asks the player for bit rate, sample rate and channels, in that order,
    // and shows each in its band's colour.
    void RefreshReadings();

    ControlWidgets m_widgets;
    ControlPageContext m_context;
    // Right edges (x + width) of the reading labels as laid out; they stay put
    // whatever the texts become.
    int m_brateRight;
    int m_srateRight;
    int m_channelsRight;
};
