#include "application.h"
#include "blocked_catalogue_writes.h"
#include "catalogue_store.h"
#include "control_page.h"
#include "main_window_fixture.h"
#include "message_box_catcher.h"
#include "tabbed_notebook.h"
#include "test_files.h"
#include "test_main.h"
#include "tnoweradio.h"
#include "ui_noweradio.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTest>

namespace {

const QByteArray kDownloaded = "[playlist]\nnumberofentries=1\nFile1=http://127.0.0.1:9/new\n";

} // namespace

class NewRadioDialogTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<MainWindowFixture>();
        MainWindowFixture& f = *m_fixture;
        f.WriteCatalogue({{QStringLiteral("Jazz"), QStringLiteral("Smooth")}});
        QVERIFY(f.ShowAndRunFirstIdlePass());
        f.window().SelectPage(QStringLiteral("Installed radios"));
        WriteBytes(f.paths.temporaryPlaylist, kDownloaded);
        m_dialog = std::make_unique<Tnoweradio>(
            &f.window(),
            Tnoweradio::Context{f.window().catalogue(), f.shell, f.paths.temporaryPlaylist});
        connect(m_dialog.get(), &Tnoweradio::temporaryStationPlayed, &f.window().controlPage(),
                &ControlPage::ShowStation);
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    }
    void cleanup()
    {
        m_dialog.reset();
        m_fixture.reset();
    }

    // An empty name is refused with the dialog left open; a name of blanks is
    // a name, and the station lands in the next slot with the downloaded playlist.
    void installRefusesEmptyNameThenInstalls()
    {
        MainWindowFixture& f = *m_fixture;
        Ui::Tnoweradio& ui = m_dialog->form();
        const QByteArray before = ReadBytes(f.paths.catalogueFile);
        QTest::keyClicks(ui.opisradia, QStringLiteral("Late night"));
        MessageBoxCatcher boxes;
        QTest::mouseClick(ui.Button1, Qt::LeftButton);
        QCOMPARE(boxes.texts(), QStringList{"You must give this radio a name."});
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(ReadBytes(f.paths.catalogueFile), before);

        QTest::keyClicks(ui.nazwaradia, QStringLiteral("  "));
        QTest::mouseClick(ui.Button1, Qt::LeftButton);
        QCOMPARE(boxes.texts().size(), 1);
        QVERIFY(!m_dialog->isVisible());
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
        // Installed all the same; the profile layer trims blanks at a value's ends.
        QCOMPARE(f.window().catalogue().StationRows(),
                 (QStringList{"0) Jazz - Smooth", "1)  - Late night"}));
        QCOMPARE(ReadBytes(f.paths.PlaylistFile(1)), kDownloaded);
        QVERIFY(!QFile::exists(f.paths.temporaryPlaylist));
    }

    // Without the radios folder the playlist cannot move: the message shows,
    // the dialog closes, and no station is left behind without its playlist.
    void installWithoutRadiosFolder()
    {
        MainWindowFixture& f = *m_fixture;
        QVERIFY(QDir(f.paths.radiosFolder).removeRecursively());
        QTest::keyClicks(m_dialog->form().nazwaradia, QStringLiteral("Blues"));
        MessageBoxCatcher boxes;
        QTest::mouseClick(m_dialog->form().Button1, Qt::LeftButton);
        QCOMPARE(boxes.texts(), QStringList{kInstallFailedMessage});
        QCOMPARE(boxes.boxes().first().icon, QMessageBox::NoIcon);
        QVERIFY(!m_dialog->isVisible());
        QCOMPARE(f.window().catalogue().StationRows(), QStringList{"0) Jazz - Smooth"});
        QCOMPARE(ReadBytes(f.paths.temporaryPlaylist), kDownloaded);
    }

    // With all 501 slots taken Install closes silently and changes nothing.
    void installIntoFullCatalogue()
    {
        MainWindowFixture& f = *m_fixture;
        QList<QPair<QString, QString>> stations;
        for (int slot = 0; slot < CatalogueStore::kSlotCount; ++slot)
            stations.append({QStringLiteral("S%1").arg(slot), QString()});
        f.WriteCatalogue(stations);
        const QByteArray before = ReadBytes(f.paths.catalogueFile);
        QTest::keyClicks(m_dialog->form().nazwaradia, QStringLiteral("One too many"));
        MessageBoxCatcher boxes;
        QTest::mouseClick(m_dialog->form().Button1, Qt::LeftButton);
        QVERIFY(boxes.texts().isEmpty());
        QVERIFY(!m_dialog->isVisible());
        QCOMPARE(ReadBytes(f.paths.catalogueFile), before);
        QCOMPARE(ReadBytes(f.paths.temporaryPlaylist), kDownloaded);
    }

    // A catalogue that cannot be written shows the store's error; the dialog
    // stays open with what was typed, the playlist stays, nothing stored is lost.
    void unwritableCatalogueKeepsDialogOpen()
    {
        MainWindowFixture& f = *m_fixture;
        Ui::Tnoweradio& ui = m_dialog->form();
        const QByteArray before = ReadBytes(f.paths.catalogueFile);
        QTest::keyClicks(ui.nazwaradia, QStringLiteral("Blues"));
        QTest::keyClicks(ui.opisradia, QStringLiteral("Slow"));
        MessageBoxCatcher boxes;
        {
            const BlockedCatalogueWrites blocked(f.paths.catalogueFile);
            QTest::mouseClick(ui.Button1, Qt::LeftButton);
        }
        QCOMPARE(boxes.texts(),
                 QStringList{QStringLiteral("Unable to write to ") + f.paths.catalogueFile + '.'});
        QCOMPARE(boxes.boxes().first().icon, QMessageBox::Critical);
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(ui.nazwaradia->text(), QStringLiteral("Blues"));
        QCOMPARE(ui.opisradia->text(), QStringLiteral("Slow"));
        QCOMPARE(ReadBytes(f.paths.catalogueFile), before);
        QCOMPARE(ReadBytes(f.paths.temporaryPlaylist), kDownloaded);
    }

    // A Play that no program takes says why and leaves the dialog open, so
    // the station can still be installed; the control page names nothing.
    void playThatNoProgramTakesSaysWhy()
    {
        MainWindowFixture& f = *m_fixture;
        f.shell.failure = QStringLiteral("No program on this desktop plays station playlists.");
        MessageBoxCatcher boxes;
        QTest::mouseClick(m_dialog->form().Button2, Qt::LeftButton);
        QCOMPARE(boxes.texts(), QStringList{f.shell.failure});
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(f.controlForm().aktnazwa->text(), QString());
    }

    // Play hands the temporary playlist to the player, minimised, and names it
    // on the control page, without writing anything or switching pages.
    void playTouchesNeitherCatalogueNorPage()
    {
        MainWindowFixture& f = *m_fixture;
        const QByteArray before = ReadBytes(f.paths.catalogueFile);
        QTest::keyClicks(m_dialog->form().nazwaradia, QStringLiteral("Blues"));
        QTest::mouseClick(m_dialog->form().Button2, Qt::LeftButton);
        QCOMPARE(f.shell.files(), QStringList{f.paths.temporaryPlaylist});
        QCOMPARE(f.shell.requests.first().show, platform::ShowCommand::Minimize);
        QCOMPARE(f.controlForm().aktnazwa->text(), QStringLiteral("Temporary radio"));
        QCOMPARE(f.controlForm().aktopis->text(),
                 QStringLiteral("Unknown, not installed station."));
        QVERIFY(!m_dialog->isVisible());
        QCOMPARE(f.form().silnik->ActivePage(), QStringLiteral("Installed radios"));
        QCOMPARE(ReadBytes(f.paths.catalogueFile), before);
        QCOMPARE(ReadBytes(f.paths.temporaryPlaylist), kDownloaded);
        QCOMPARE(f.radiosForm().list->count(), 1);
    }

    // Return in either box presses Install, the dialog's confirming button.
    void returnPressesInstall()
    {
        MainWindowFixture& f = *m_fixture;
        Ui::Tnoweradio& ui = m_dialog->form();
        QTest::keyClicks(ui.nazwaradia, QStringLiteral("Blues"));
        QTest::keyClicks(ui.opisradia, QStringLiteral("Slow"));
        QTest::keyClick(ui.opisradia, Qt::Key_Return);
        QVERIFY(!m_dialog->isVisible());
        QCOMPARE(f.window().catalogue().StationRows(),
                 (QStringList{"0) Jazz - Smooth", "1) Blues - Slow"}));
    }

    // Escape does not close (the dialog has no cancel button); the close box
    // closes without installing or playing anything.
    void escapeAndCloseBoxDoNothing()
    {
        MainWindowFixture& f = *m_fixture;
        const QByteArray before = ReadBytes(f.paths.catalogueFile);
        Ui::Tnoweradio& ui = m_dialog->form();
        QTest::keyClicks(ui.nazwaradia, QStringLiteral("Blues"));
        QTest::keyClick(ui.opisradia, Qt::Key_Escape);
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(ReadBytes(f.paths.catalogueFile), before);

        m_dialog->close();
        QVERIFY(!m_dialog->isVisible());
        QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
        QCOMPARE(ReadBytes(f.paths.catalogueFile), before);
        QCOMPARE(ReadBytes(f.paths.temporaryPlaylist), kDownloaded);
        QVERIFY(f.shell.requests.isEmpty());
    }

private:
    std::unique_ptr<MainWindowFixture> m_fixture;
    std::unique_ptr<Tnoweradio> m_dialog;
};

WAVEDOCK_TEST_MAIN(NewRadioDialogTest)

#include "new_radio_dialog_test.moc"
