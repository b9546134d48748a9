#pragma once

#include "catalogue_writer.h"
#include "fake_notification_area.h"
#include "fake_url_download.h"
#include "fixed_paths.h"
#include "main_window_fixture.h"
#include "private_session_bus.h"
#include "ttunely.h"
#include "ui_control_page.h"
#include "ui_installed_radios_page.h"
#include "ui_tunely.h"

#include <QTest>
#include <memory>

// The real main window, shown, on a catalogue, with the shell and player layer a test gives it.
struct ShownWindow
{
    ShownWindow(const FixedPaths& paths, platform::Shell& shell, platform::MediaPlayer& player)
        : window(MainWindowServices{paths, MainWindowFixture::UnreachableDirectory(), shell, player,
                                    download, notificationArea}),
          ui(window.form()), radios(window.installedRadiosPage().form()),
          control(window.controlPage().form())
    {
        window.show();
    }

    // Selects the first station on "Installed radios" and clicks "Listen to selected radio".
    void ListenToFirstStation()
    {
        ui.silnik->setActivePage(QStringLiteral("Installed radios"));
        radios.list->item(0)->setSelected(true);
        QTest::mouseClick(radios.wybraneradiobtn, Qt::LeftButton);
    }

    // The three readings as captions, for failure messages.
    QString Readings() const
    {
        return control.brate->text() + ' ' + control.srate->text() + ' ' + control.channels->text();
    }

    // The test radio's figures, 128 kbit/s, 44 kHz, stereo, all in green.
    bool ShowsFigures() const
    {
        for (const QLabel* label : {control.brate, control.srate, control.channels}) {
            if (label->palette().color(QPalette::WindowText) != QColor(0, 128, 0))
                return false;
        }
        return Readings() == QLatin1String("128 44 2");
    }

    // No player: all three readings 0 in red.
    bool ShowsNoPlayer() const
    {
        for (const QLabel* label : {control.brate, control.srate, control.channels}) {
            if (label->palette().color(QPalette::WindowText) != QColor(255, 0, 0))
                return false;
        }
        return Readings() == QLatin1String("0 0 0");
    }

    FakeUrlDownload download;
    FakeNotificationArea notificationArea;
    Ttunely window;
    Ui::Ttunely& ui;
    Ui::InstalledRadiosPage& radios;
    Ui::ControlPage& control;
};

// One installed station, "Loopback FM", whose playlist holds `url`, in a
// catalogue under `root`.
inline FixedPaths InstallLoopbackStation(const QString& root, const QString& url)
{
    const FixedPaths paths = FixedPaths::Under(root);
    const QByteArray playlist = "[playlist]\nnumberofentries=1\nFile1=" + url.toUtf8() +
                                "\nTitle1=Loopback FM\nLength1=-1\nVersion=2\n";
    [&] {
        QVERIFY(WriteDenseCatalogue(paths,
                                    {{QStringLiteral("Loopback FM"), QStringLiteral("A tone")}},
                                    [&](int, const QString&) { return playlist; }));
    }();
    return paths;
}

// A private bus, connected as `connection`, that every program the test starts
// from now on takes for its session bus; null when it does not run.
inline std::unique_ptr<PrivateSessionBus> SessionBusForChildren(const QString& connection)
{
    auto bus = std::make_unique<PrivateSessionBus>();
    if (!bus->IsRunning() || !bus->Connect(connection).isConnected())
        return nullptr;
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus->Address().toUtf8());
    return bus;
}
