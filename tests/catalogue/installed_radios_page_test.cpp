#include "application.h"
#include "blocked_catalogue_writes.h"
#include "catalogue_store.h"
#include "installed_radios_page.h"
#include "main_window_fixture.h"
#include "message_box_catcher.h"
#include "tabbed_notebook.h"
#include "test_files.h"
#include "test_main.h"
#include "tnowyopis.h"
#include "ui_nowyopis.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

QStringList Rows(const QListWidget& list)
{
    QStringList rows;
    for (int row = 0; row < list.count(); ++row)
        rows << list.item(row)->text();
    return rows;
}

bool AnyDescriptionDialogLeft()
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (qobject_cast<Tnowyopis*>(window))
            return true;
    }
    return false;
}

// Acts on the new-description dialog once "Edit description" has shown it
// modally; returns whether the dialog appeared at all.
bool EditDescription(MainWindowFixture& f, const std::function<void(Tnowyopis&)>& action)
{
    bool seen = false;
    QTimer driver;
    driver.setInterval(5);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<Tnowyopis*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        driver.stop();
        seen = true;
        action(*dialog);
    });
    driver.start();
    QTest::mouseClick(f.radiosForm().Button6, Qt::LeftButton);
    return seen;
}

} // namespace

class InstalledRadiosPageTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<MainWindowFixture>();
        m_fixture->WriteCatalogue({{QStringLiteral("Jazz"), QStringLiteral("Smooth")},
                                   {QStringLiteral("Rock"), QStringLiteral("Loud")},
                                   {QStringLiteral("Pop"), QStringLiteral("Charts")}});
        QVERIFY(m_fixture->ShowAndRunFirstIdlePass());
        m_fixture->window().SelectPage(QStringLiteral("Installed radios"));
        QCOMPARE(m_fixture->radiosForm().list->count(), 3);
    }
    void cleanup() { m_fixture.reset(); }

    // Delete without a selection only explains itself, yet still rebuilds the list.
    void deleteWithoutSelectionRebuildsOnly()
    {
        MainWindowFixture& f = *m_fixture;
        f.window().catalogue().SetStationDescription(1, QStringLiteral("Changed"));
        const QByteArray before = ReadBytes(f.paths.catalogueFile);
        f.radiosForm().list->setCurrentRow(2, QItemSelectionModel::NoUpdate);

        MessageBoxCatcher boxes;
        QTest::mouseClick(f.radiosForm().Button5, Qt::LeftButton);
        QCOMPARE(boxes.texts(),
                 QStringList{"Select a radio from the list by clicking on its name."});
        QCOMPARE(boxes.boxes().first().title, QStringLiteral("Wavedock"));
        QCOMPARE(boxes.boxes().first().icon, QMessageBox::NoIcon);
        QCOMPARE(ReadBytes(f.paths.catalogueFile), before);
        QCOMPARE(Rows(*f.radiosForm().list),
                 (QStringList{"0) Jazz - Smooth", "1) Rock - Changed", "2) Pop - Charts"}));
    }

    // Deleting a row renumbers the later rows, moves their playlists down and
    // leaves nothing selected; the deleted station's playlist is gone.
    void deleteSelectedMovesLaterStationsDown()
    {
        MainWindowFixture& f = *m_fixture;
        const QByteArray rockPlaylist = ReadBytes(f.paths.PlaylistFile(1));
        const QByteArray popPlaylist = ReadBytes(f.paths.PlaylistFile(2));
        f.radiosForm().list->setCurrentRow(0);

        MessageBoxCatcher boxes;
        QTest::mouseClick(f.radiosForm().Button5, Qt::LeftButton);
        QVERIFY(boxes.texts().isEmpty());
        QCOMPARE(Rows(*f.radiosForm().list), (QStringList{"0) Rock - Loud", "1) Pop - Charts"}));
        QVERIFY(f.radiosForm().list->selectedItems().isEmpty());
        QCOMPARE(ReadBytes(f.paths.PlaylistFile(0)), rockPlaylist);
        QCOMPARE(ReadBytes(f.paths.PlaylistFile(1)), popPlaylist);
        QVERIFY(!QFile::exists(f.paths.PlaylistFile(2)));

        // The last row goes without touching the others.
        f.radiosForm().list->setCurrentRow(1);
        QTest::mouseClick(f.radiosForm().Button5, Qt::LeftButton);
        QCOMPARE(Rows(*f.radiosForm().list), QStringList{"0) Rock - Loud"});
        QCOMPARE(ReadBytes(f.paths.PlaylistFile(0)), rockPlaylist);
        QVERIFY(!QFile::exists(f.paths.PlaylistFile(1)));
    }

    // "Edit description" without a selection explains itself and opens nothing.
    void editWithoutSelectionOpensNoDialog()
    {
        MainWindowFixture& f = *m_fixture;
        MessageBoxCatcher boxes;
        const bool opened = EditDescription(f, [](Tnowyopis& dialog) { dialog.reject(); });
        QVERIFY(!opened);
        QCOMPARE(boxes.texts(), QStringList{"Please select a station to modify first."});
    }

    // Ok stores the description of the row chosen when the dialog opened; the
    // row shows it only after a rebuild. Return in the box presses Ok.
    void okStoresDescriptionShownAfterRefresh()
    {
        MainWindowFixture& f = *m_fixture;
        f.radiosForm().list->setCurrentRow(1);
        QPointer<Tnowyopis> opened;
        const bool seen = EditDescription(f, [&](Tnowyopis& dialog) {
            opened = &dialog;
            QCOMPARE(dialog.parentWidget(), &f.window());
            QVERIFY(dialog.form().nopis->text().isEmpty());
            QTest::keyClicks(dialog.form().nopis, QStringLiteral("Fresh"));
            QCOMPARE(f.window().catalogue().StationDescription(1), QStringLiteral("Loud"));
            QTest::keyClick(dialog.form().nopis, Qt::Key_Return);
            if (dialog.isVisible()) // Return pressed nothing
                dialog.reject();
        });
        QVERIFY(seen);
        QVERIFY(!opened); // destroyed once closed
        QCOMPARE(f.window().catalogue().StationDescription(1), QStringLiteral("Fresh"));
        QCOMPARE(f.radiosForm().list->item(1)->text(), QStringLiteral("1) Rock - Loud"));

        QTest::mouseClick(f.radiosForm().Button11, Qt::LeftButton);
        QCOMPARE(Rows(*f.radiosForm().list),
                 (QStringList{"0) Jazz - Smooth", "1) Rock - Fresh", "2) Pop - Charts"}));
    }

    // An empty description is stored as empty: the rebuilt row ends in " - ".
    void okWithEmptyDescription()
    {
        MainWindowFixture& f = *m_fixture;
        f.radiosForm().list->setCurrentRow(0);
        QVERIFY(EditDescription(f, [](Tnowyopis& dialog) {
            QTest::mouseClick(dialog.form().Button1, Qt::LeftButton);
        }));
        QTest::mouseClick(f.radiosForm().Button11, Qt::LeftButton);
        QCOMPARE(f.radiosForm().list->item(0)->text(), QStringLiteral("0) Jazz - "));
    }

    // Cancel, Escape (which presses Cancel) and the title-bar close box leave
    // the catalogue as it was.
    void cancelAndCloseBoxWriteNothing()
    {
        MainWindowFixture& f = *m_fixture;
        const QByteArray before = ReadBytes(f.paths.catalogueFile);
        f.radiosForm().list->setCurrentRow(2);
        QVERIFY(EditDescription(f, [](Tnowyopis& dialog) {
            QTest::keyClicks(dialog.form().nopis, QStringLiteral("Lost"));
            QTest::mouseClick(dialog.form().Button2, Qt::LeftButton);
        }));
        bool escaped = false;
        QVERIFY(EditDescription(f, [&](Tnowyopis& dialog) {
            QTest::keyClicks(dialog.form().nopis, QStringLiteral("Lost"));
            QTest::keyClick(dialog.form().nopis, Qt::Key_Escape);
            escaped = !dialog.isVisible();
            if (!escaped)
                dialog.reject();
        }));
        QVERIFY(escaped);
        QVERIFY(EditDescription(f, [](Tnowyopis& dialog) {
            QTest::keyClicks(dialog.form().nopis, QStringLiteral("Lost"));
            dialog.close();
        }));
        QCOMPARE(ReadBytes(f.paths.catalogueFile), before);
        QVERIFY(!AnyDescriptionDialogLeft());
    }

    // A catalogue that cannot be written shows the store's error, keeps the
    // dialog open with the typed text and loses nothing already stored.
    void unwritableCatalogueKeepsDialogOpen()
    {
        MainWindowFixture& f = *m_fixture;
        const QByteArray before = ReadBytes(f.paths.catalogueFile);
        f.radiosForm().list->setCurrentRow(1);
        MessageBoxCatcher boxes;
        QVERIFY(EditDescription(f, [&](Tnowyopis& dialog) {
            QTest::keyClicks(dialog.form().nopis, QStringLiteral("Kept"));
            {
                const BlockedCatalogueWrites blocked(f.paths.catalogueFile);
                QTest::mouseClick(dialog.form().Button1, Qt::LeftButton);
            }
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.form().nopis->text(), QStringLiteral("Kept"));
            dialog.reject();
        }));
        QCOMPARE(boxes.texts(),
                 QStringList{QStringLiteral("Unable to write to ") + f.paths.catalogueFile + '.'});
        QCOMPARE(boxes.boxes().first().icon, QMessageBox::Critical);
        QCOMPARE(ReadBytes(f.paths.catalogueFile), before);
    }

private:
    std::unique_ptr<MainWindowFixture> m_fixture;
};

WAVEDOCK_TEST_MAIN(InstalledRadiosPageTest)

#include "installed_radios_page_test.moc"
