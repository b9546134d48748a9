#include "main_window_fixture.h"
#include "tabout.h"
#include "test_main.h"
#include "ui_about.h"

#include <QAccessible>
#include <QFileInfo>
#include <QPointer>
#include <QTest>

class AboutBoxTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<MainWindowFixture>();
        QVERIFY(m_fixture->ShowAndRunFirstIdlePass());
    }
    void cleanup() { m_fixture.reset(); }

    // "About" opens one box with the version this build carries and the real
    // places of the catalogue and the playlists; another click brings the same
    // box back instead of a second one.
    void opensOnceWithVersionAndPaths()
    {
        Tabout* about = OpenAbout();
        QVERIFY(about && about->isVisible());
        QCOMPARE(about->form().nameAndVersion->text(),
                 QStringLiteral("Wavedock " WAVEDOCK_BUILD_VERSION));
        QCOMPARE(about->form().catalogueFile->text(), f().paths.catalogueFile);
        QCOMPARE(about->form().radiosFolder->text(), f().paths.radiosFolder);

        QCOMPARE(OpenAbout(), about);
        QCOMPARE(f().window().findChildren<Tabout*>().size(), 1);
    }

    // The licence and the data folder open through the shell: the licence text
    // shipped with the program, and the folder holding catalogue and playlists.
    void buttonsOpenThroughTheShell()
    {
        Tabout* about = OpenAbout();
        QVERIFY(about);
        QTest::mouseClick(about->form().licenceButton, Qt::LeftButton);
        QTest::mouseClick(about->form().openFolderButton, Qt::LeftButton);
        const QString dataFolder = QFileInfo(f().paths.catalogueFile).absolutePath();
        QCOMPARE(f().shell.files(), QStringList({f().paths.licenceFile, dataFolder}));
        QCOMPARE(QFileInfo(f().paths.radiosFolder).absolutePath(), dataFolder);
        QVERIFY(about->isVisible());
    }

    // Escape and Return each close the box, wherever the focus is in it.
    void escapeAndReturnClose()
    {
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            QPointer<Tabout> about = OpenAbout();
            QVERIFY(about);
            about->form().summary->setFocus();
            QTest::keyClick(about->form().summary, key);
            QTRY_VERIFY(about.isNull());
        }
    }

    // A screen reader can reach and name every part: each text and button is a
    // Tab stop with an accessible name.
    void everyPartIsReachableAndNamed()
    {
        Tabout* about = OpenAbout();
        QVERIFY(about);
        const auto parts = about->findChildren<QWidget*>();
        int reachable = 0;
        for (QWidget* part : parts) {
            // Captions of a box or of a path name what they stand before.
            const auto* label = qobject_cast<QLabel*>(part);
            if (label ? label->buddy() != nullptr
                      : !qobject_cast<QAbstractButton*>(part) && !qobject_cast<QLineEdit*>(part))
                continue;
            QVERIFY2(part->focusPolicy() & Qt::TabFocus, qPrintable(part->objectName()));
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(part);
            QVERIFY2(accessible && !accessible->text(QAccessible::Name).isEmpty(),
                     qPrintable(part->objectName()));
            ++reachable;
        }
        QCOMPARE(reachable, 9);
    }

private:
    MainWindowFixture& f() { return *m_fixture; }

    Tabout* OpenAbout()
    {
        QTest::mouseClick(f().form().Button13, Qt::LeftButton);
        return f().window().aboutBox();
    }

    std::unique_ptr<MainWindowFixture> m_fixture;
};

WAVEDOCK_TEST_MAIN(AboutBoxTest)

#include "about_box_test.moc"
