#pragma once

#include <QObject>
#include <functional>

class CatalogueStore;
class QEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QToolButton;
class WebBrowser;
class WinampLink;
namespace platform {
class Shell;
}

// The controls the control page drives, plus the installed-radios list and its
// "Listen to selected radio" button, which lead here.
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
    QListWidget* list;
    QPushButton* wybraneradiobtn;
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
    void wybraneradiobtnClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

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
    // Compared by address only: while the list is being destroyed it must not be asked.
    const QObject* m_listViewport;
};
