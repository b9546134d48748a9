#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Desktop entries that claim ".pls" files; each program notes the file it is
// handed in opened-<name>. "interm" runs in a terminal, and none is installed.
const QStringList kApplications{QStringLiteral("audacious"), QStringLiteral("mpv"),
                                QStringLiteral("cantrun"), QStringLiteral("interm")};

// One case's desktop: four XDG folders of its own, with the same applications
// installed in the system's data folder.
struct Desktop
{
    QTemporaryDir root;

    QString Path(const QString& relative) const { return root.filePath(relative); }
    void Write(const QString& relative, const QByteArray& text) const
    {
        QVERIFY(QDir().mkpath(QFileInfo(Path(relative)).path()));
        QByteArray bytes = text;
        QVERIFY(WriteFile(Path(relative),
                          bytes.replace("@BIN@", Path(QStringLiteral("bin")).toUtf8())));
    }
    void Install() const
    {
        for (const QString& name : kApplications) {
            const QString program = Path(QStringLiteral("bin/") + name);
            const QByteArray exec = name == QLatin1String("cantrun")
                                        ? QByteArray("/nonexistent/cantrun")
                                        : program.toUtf8();
            Write(QStringLiteral("datadirs/applications/%1.desktop").arg(name),
                  "[Desktop Entry]\nType=Application\nName=" + name.toUtf8() + "\nExec=" + exec +
                      " %f\nMimeType=audio/x-scpls;\nTerminal=" +
                      (name == QLatin1String("interm") ? "true" : "false") + "\n");
            Write(QStringLiteral("bin/") + name,
                  "#!/bin/sh\necho \"$1\" > " + Path(QStringLiteral("opened-") + name).toUtf8() +
                      "\n");
            QFile(program).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        // The desktop's generic opener, for the files no ".pls" application takes.
        Write(QStringLiteral("bin/xdg-open"), "#!/bin/sh\necho \"$1\" >> " +
                                                  Path(QStringLiteral("opened-xdg-open")).toUtf8() +
                                                  "\n");
        QFile(Path(QStringLiteral("bin/xdg-open")))
            .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // The system's database lists Audacious first.
        Write(QStringLiteral("datadirs/applications/mimeinfo.cache"),
              "[MIME Cache]\naudio/x-scpls=audacious.desktop;mpv.desktop;cantrun.desktop;\n");
    }
    // What the product's resolver answers here, or with "open", which
    // application it handed the file to.
    QString Run(const QStringList& arguments = {},
                QProcessEnvironment environment = QProcessEnvironment::systemEnvironment()) const
    {
        QProcess answer;
        environment.insert(QStringLiteral("HOME"), Path(QStringLiteral("home")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Path(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), Path(QStringLiteral("configdirs")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), Path(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_DATA_DIRS"), Path(QStringLiteral("datadirs")));
        environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("Test"));
        // Only the case's own programs: no terminal, and its own xdg-open.
        environment.insert(QStringLiteral("PATH"), Path(QStringLiteral("bin")));
        answer.setProcessEnvironment(environment);
        answer.start(QStringLiteral(PLAYLIST_APPLICATION_ANSWER), arguments);
        if (!answer.waitForFinished(30000))
            return QStringLiteral("(no answer)");
        return QString::fromUtf8(answer.readAllStandardOutput()).trimmed();
    }
};

} // namespace

// The one answer to "which program opens .pls files", against the freedesktop
// rules, and the shell opening the station with that same program.
class PlaylistApplicationTest final : public QObject
{
    Q_OBJECT

private slots:
    void followsTheMimeApplicationRules_data()
    {
        QTest::addColumn<QStringList>("files"); // path, text, path, text...
        QTest::addColumn<QString>("expected");
        const QString user = QStringLiteral("config/mimeapps.list");
        QTest::newRow("system database only") << QStringList{} << "audacious.desktop";
        QTest::newRow("default named")
            << QStringList{user, "[Default Applications]\naudio/x-scpls=mpv.desktop\n"}
            << "mpv.desktop";
        QTest::newRow("added association only")
            << QStringList{user, "[Added Associations]\naudio/x-scpls=mpv.desktop;\n"}
            << "mpv.desktop";
        QTest::newRow("user's application database")
            << QStringList{"data/applications/mimeinfo.cache",
                           "[MIME Cache]\naudio/x-scpls=mpv.desktop;\n",
                           "data/applications/mpv.desktop",
                           "[Desktop Entry]\nType=Application\nName=mpv\nExec=@BIN@/mpv %f\n"
                           "MimeType=audio/x-scpls;\n"}
            << "mpv.desktop";
        QTest::newRow("removed association")
            << QStringList{user, "[Removed Associations]\naudio/x-scpls=audacious.desktop;\n"}
            << "mpv.desktop";
        QTest::newRow("desktop's own list first")
            << QStringList{user, "[Default Applications]\naudio/x-scpls=audacious.desktop\n",
                           "config/test-mimeapps.list",
                           "[Default Applications]\naudio/x-scpls=mpv.desktop\n"}
            << "mpv.desktop";
        QTest::newRow("user's over the system's configuration")
            << QStringList{"configdirs/mimeapps.list",
                           "[Default Applications]\naudio/x-scpls=audacious.desktop\n", user,
                           "[Default Applications]\naudio/x-scpls=mpv.desktop\n"}
            << "mpv.desktop";
        QTest::newRow("defaults.list")
            << QStringList{"datadirs/applications/defaults.list",
                           "[Default Applications]\naudio/x-scpls=mpv.desktop\n"}
            << "mpv.desktop";
        QTest::newRow("named entry missing")
            << QStringList{user,
                           "[Default Applications]\naudio/x-scpls=ghost.desktop;mpv.desktop\n"}
            << "mpv.desktop";
        QTest::newRow("named program cannot run")
            << QStringList{user, "[Default Applications]\naudio/x-scpls=cantrun.desktop\n"}
            << "audacious.desktop";
        QTest::newRow("none left")
            << QStringList{user, "[Removed Associations]\naudio/x-scpls=audacious.desktop;"
                                 "mpv.desktop;cantrun.desktop;interm.desktop;\n"}
            << "";
        QTest::newRow("launch fails")
            << QStringList{user, "[Default Applications]\naudio/x-scpls=interm.desktop\n"}
            << "interm.desktop";
    }

    void followsTheMimeApplicationRules()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, expected);
        // Where the station cannot go, what opening it says instead.
        const QString failure =
            QHash<QString, QString>{
                {QString(),
                 QStringLiteral("No program on this desktop plays station playlists (.pls).")},
                {QStringLiteral("interm.desktop"),
                 QStringLiteral("interm could not be started to play the station: Unable to find")}}
                .value(expected);
        Desktop desktop;
        QVERIFY(desktop.root.isValid());
        desktop.Install();
        for (int i = 0; i + 1 < files.size(); i += 2)
            desktop.Write(files[i], files[i + 1].toUtf8());
        QCOMPARE(desktop.Run(), expected);

        // The station goes to that same application, and only to it: with
        // none, or when it cannot start, to no other program, and the user is
        // told why. The text file after it reaches xdg-open, so had the
        // station gone there too, it would be in its list by then.
        const QString station = desktop.Path(QStringLiteral("0.pls"));
        desktop.Write(QStringLiteral("0.pls"), "[playlist]\nFile1=http://127.0.0.1:1/\n");
        const QString text = desktop.Path(QStringLiteral("notes.txt"));
        desktop.Write(QStringLiteral("notes.txt"), "notes\n");
        const QStringList answers =
            desktop.Run({QStringLiteral("open"), station, text}).split(u'\n');
        QCOMPARE(answers.size(), 2);
        if (failure.isEmpty())
            QCOMPARE(answers[0], expected);
        else
            QVERIFY2(answers[0].startsWith(QStringLiteral("failed: ") + failure),
                     qPrintable(answers[0]));
        const QString generic = desktop.Path(QStringLiteral("opened-xdg-open"));
        QTRY_VERIFY_WITH_TIMEOUT(ReadBytes(generic).contains(text.toUtf8()), 10000);
        QVERIFY(!ReadBytes(generic).contains(station.toUtf8()));
        for (const QString& name : kApplications) {
            const QString opened = desktop.Path(QStringLiteral("opened-") + name);
            if (failure.isEmpty() && expected == name + QLatin1String(".desktop"))
                QTRY_VERIFY_WITH_TIMEOUT(QFile(opened).size() > 0, 10000);
            else
                QVERIFY(!QFile::exists(opened));
        }
    }

    // Whatever the shell starts (the .pls application, xdg-open for other files)
    // has the user's environment: not the engine's settings Wavedock adds to
    // its own, nor the launch token it was handed.
    void startedProgramsGetTheUserEnvironment()
    {
        Desktop desktop;
        desktop.Write("config/mimeapps.list",
                      "[Default Applications]\naudio/x-scpls=player.desktop\n");
        desktop.Write("datadirs/applications/player.desktop",
                      "[Desktop Entry]\nType=Application\nName=player\nExec=@BIN@/player %f\n");
        QProcessEnvironment user = QProcessEnvironment::systemEnvironment();
        user.insert("QTWEBENGINE_CHROMIUM_FLAGS", "--users-own");
        user.remove("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY");
        user.insert("XDG_ACTIVATION_TOKEN", "ours");
        for (const QString starter : {"player", "xdg-open"}) {
            const QByteArray seen = desktop.Path("seen-" + starter).toUtf8();
            desktop.Write("bin/" + starter, "#!/bin/sh\n/usr/bin/env >" + seen + ".tmp; /bin/mv " +
                                                seen + ".tmp " + seen);
            QVERIFY(QFile::setPermissions(desktop.Path("bin/" + starter),
                                          QFile::ReadOwner | QFile::ExeOwner));
            desktop.Run({"shell", desktop.Path(starter == "player" ? "0.pls" : "readme.txt")},
                        user);
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(seen), 10000);
            const QByteArray environment = '\n' + ReadBytes(seen);
            QVERIFY(environment.contains("\nQTWEBENGINE_CHROMIUM_FLAGS=--users-own\n"));
            QVERIFY(!environment.contains("\nQTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY="));
            QVERIFY(!environment.contains("\nXDG_ACTIVATION_TOKEN="));
        }
    }
};

QTEST_GUILESS_MAIN(PlaylistApplicationTest)
#include "playlist_application_test.moc"
