#pragma once

#include <QObject>
#include <functional>

class CatalogueStore;
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

private:
    ControlWidgets m_widgets;
    ControlPageContext m_context;
};
