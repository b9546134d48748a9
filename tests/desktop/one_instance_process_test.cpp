#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Generous: the machine may be busy; every wait ends as soon as its signal comes.
constexpr int kStartMs = 20000;

// One started copy and what it printed.
class Copy final
{
public:
    Copy(const QString& program, const QStringList& arguments, const QProcessEnvironment& env)
    {
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&process, &QProcess::readyReadStandardOutput,
                         [this] { output += process.readAllStandardOutput(); });
        process.start(program, arguments);
    }
    ~Copy()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }

    bool Said(const char* line) const { return output.split('\n').contains(line); }
    bool Running() const { return process.state() == QProcess::Running; }
    bool EndedCleanly() const
    {
        return process.state() == QProcess::NotRunning &&
               process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    QProcess process;
    QByteArray output;
};

} // namespace

// Real copies of a program with the guard, sharing one private runtime folder.
class OneInstanceProcessTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_runtime = std::make_unique<QTemporaryDir>();
        QVERIFY(m_runtime->isValid());
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime->path());
    }

    // A second start ends without showing a window; the first copy, hidden away
    // (as in the notification area), is shown again and activated.
    void secondStartBringsHiddenFirstBack()
    {
        auto first = StartProbe({QStringLiteral("--hidden")});
        QTRY_VERIFY_WITH_TIMEOUT(first->Said("ready"), kStartMs);
        first->output.clear();

        auto second = StartProbe();
        QVERIFY(second->process.waitForFinished(kStartMs));
        QVERIFY(second->EndedCleanly());
        QVERIFY(!second->Said("shown"));
        QTRY_VERIFY_WITH_TIMEOUT(first->Said("shown"), kStartMs);
        QTRY_VERIFY_WITH_TIMEOUT(first->Said("active"), kStartMs);
        QVERIFY(first->Running());
    }

    // Of twenty copies started at once exactly one keeps running.
    void twentySimultaneousStartsLeaveOne()
    {
        std::vector<std::unique_ptr<Copy>> copies;
        for (int i = 0; i < 20; ++i)
            copies.push_back(StartProbe());
        const auto ended = [&copies] {
            return std::count_if(copies.begin(), copies.end(),
                                 [](const auto& copy) { return !copy->Running(); });
        };
        QTRY_COMPARE_WITH_TIMEOUT(ended(), 19, kStartMs);
        for (const auto& copy : copies) {
            if (copy->Running())
                QTRY_VERIFY_WITH_TIMEOUT(copy->Said("ready"), kStartMs);
            else
                QVERIFY(copy->EndedCleanly() && !copy->Said("ready"));
        }
        QCOMPARE(ended(), 19);
    }

    // Two starts a moment apart, each checking early and then through its
    // window's guard, always leave exactly one copy running.
    void pairsOfStartsLeaveOneEachRound()
    {
        for (int round = 0; round < 50; ++round) {
            auto first = StartProbe();
            QTest::qWait(round % 51);
            auto second = StartProbe();
            QTRY_VERIFY_WITH_TIMEOUT(first->Said("ready") || second->Said("ready"), kStartMs);
            Copy& running = first->Said("ready") ? *first : *second;
            Copy& other = &running == first.get() ? *second : *first;
            QTRY_COMPARE_WITH_TIMEOUT(other.process.state(), QProcess::NotRunning, kStartMs);
            QVERIFY2(other.EndedCleanly() && !other.Said("ready"),
                     qPrintable(QStringLiteral("round %1: %2 %3 %4")
                                    .arg(round)
                                    .arg(other.process.exitCode())
                                    .arg(other.process.exitStatus())
                                    .arg(QString::fromLatin1(other.output))));
            QVERIFY2(running.Running(), qPrintable(QString::number(round)));
        }
    }

    // Where no safe folder for the lock files can be had, the program says
    // which folder and why, and fails instead of passing for a second copy.
    void unsafeRuntimeFolderIsReported()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to start the program as another user");
        // The fallback folder of the user "nobody", made by root: not theirs.
        const QString folder = QStringLiteral("/tmp/wavedock-65534");
        QVERIFY(QDir().mkpath(folder));
        const auto removeFolder = qScopeGuard([&folder] { QDir(folder).removeRecursively(); });
        QProcessEnvironment env = m_env;
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral("setpriv"),
                      {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                       QStringLiteral("--clear-groups"), QStringLiteral(WAVEDOCK_PATH)});
        QVERIFY(program.waitForFinished(kStartMs));
        const QByteArray said = program.readAllStandardError();
        QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() != 0, said);
        QVERIFY2(said.contains("/tmp/wavedock-65534") && said.contains("another user"), said);
    }

    // A lock file that cannot be opened is no running copy: the program names
    // the file and why, and ends with 1 instead of 0 as a second copy would.
    void lockThatCannotBeOpenedIsReported()
    {
        const QString folder = m_runtime->filePath(QStringLiteral("wavedock"));
        QVERIFY(QDir().mkdir(folder) && ::chmod(QFile::encodeName(folder).constData(), 0700) == 0);
        const QString guard = folder + "/mutex-Wavedock.OneInstance.CriticalSection";
        const QString instance = folder + "/mutex-Wavedock.OneInstance.Default";
        for (const QString why : {"it is a symbolic link", "it is a folder"}) {
            const QString path = why.endsWith("link") ? guard : instance;
            QVERIFY(path == guard ? QFile::link(folder + "/gone", path) : QDir().mkdir(path));
            QProcess program;
            program.setProcessEnvironment(m_env);
            program.start(QStringLiteral(WAVEDOCK_PATH));
            QVERIFY(program.waitForFinished(kStartMs));
            const QByteArray said = program.readAllStandardError();
            QVERIFY2(program.exitCode() == 1 && said.contains((path + ": " + why).toUtf8()), said);
            QVERIFY(QFile::remove(guard) || path == instance);
        }
    }

    // A copy killed outright leaves nothing that stops the next one.
    void killedCopyNeverBlocks()
    {
        auto first = StartProbe();
        QTRY_VERIFY_WITH_TIMEOUT(first->Said("ready"), kStartMs);
        first->process.kill();
        QVERIFY(first->process.waitForFinished(kStartMs));

        auto next = StartProbe();
        QTRY_VERIFY_WITH_TIMEOUT(next->Said("ready"), kStartMs);
    }

    // Copies with different identifiers do not see each other.
    void differentIdentifiersRunSideBySide()
    {
        auto one = StartProbe({QStringLiteral("--identifier"), QStringLiteral("one")});
        auto two = StartProbe({QStringLiteral("--identifier"), QStringLiteral("two")});
        QTRY_VERIFY_WITH_TIMEOUT(one->Said("ready") && two->Said("ready"), kStartMs);
    }

    // Lock files and a window socket left from an earlier boot, whose process id
    // now belongs to some other live process, neither block a start nor stop a
    // later copy from finding the running one.
    void leftoversFromAnotherBootDoNotBlock()
    {
        {
            auto earlier = StartProbe();
            QTRY_VERIFY_WITH_TIMEOUT(earlier->Said("ready"), kStartMs);
            earlier->process.kill();
            QVERIFY(earlier->process.waitForFinished(kStartMs));
        }
        QDir folder(m_runtime->filePath(QStringLiteral("wavedock")));
        const QStringList sockets = folder.entryList({QStringLiteral("window-*")}, QDir::System);
        QCOMPARE(sockets.size(), 1);
        QString reused = sockets[0];
        reused.truncate(reused.lastIndexOf(QLatin1Char('-')) + 1);
        QVERIFY(folder.rename(sockets[0], reused + QString::number(::getpid())));
        for (const QString& lock : folder.entryList({QStringLiteral("mutex-*")}, QDir::Files)) {
            QFile file(folder.filePath(lock));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("left over") > 0);
        }

        auto running = StartProbe({QStringLiteral("--hidden")});
        QTRY_VERIFY_WITH_TIMEOUT(running->Said("ready"), kStartMs);
        running->output.clear();
        auto later = StartProbe();
        QVERIFY(later->process.waitForFinished(kStartMs));
        QVERIFY(later->EndedCleanly());
        QTRY_VERIFY_WITH_TIMEOUT(running->Said("shown"), kStartMs);
    }

    // The program itself: a second copy ends at once and makes no folder or file
    // of its own (no catalogue, no temporary playlist, no browser data).
    void secondProgramCopyTouchesNothing()
    {
        QTemporaryDir firstHome, secondHome;
        auto first = std::make_unique<Copy>(QStringLiteral(WAVEDOCK_PATH), QStringList(),
                                            HomeIn(firstHome.path()));
        QDir folder(m_runtime->filePath(QStringLiteral("wavedock")));
        QTRY_VERIFY_WITH_TIMEOUT(
            !folder.entryList({QStringLiteral("window-*")}, QDir::System).isEmpty(), kStartMs);

        QElapsedTimer clock;
        clock.start();
        Copy second(QStringLiteral(WAVEDOCK_PATH), QStringList(), HomeIn(secondHome.path()));
        QVERIFY(second.process.waitForFinished(kStartMs));
        const qint64 elapsed = clock.elapsed();
        QVERIFY(second.EndedCleanly());
        qInfo("The second copy ended %lld ms after it was started.", elapsed);
        QVERIFY(QDir(secondHome.path()).isEmpty());
        QVERIFY(first->Running());
    }

private:
    std::unique_ptr<Copy> StartProbe(const QStringList& arguments = {})
    {
        return std::make_unique<Copy>(QStringLiteral(PROBE_PATH), arguments, m_env);
    }

    // Everything the program may write, below one folder.
    QProcessEnvironment HomeIn(const QString& path) const
    {
        QProcessEnvironment env = m_env;
        env.insert(QStringLiteral("HOME"), path);
        env.insert(QStringLiteral("XDG_DATA_HOME"), path + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), path + QStringLiteral("/cache"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path + QStringLiteral("/config"));
        return env;
    }

    std::unique_ptr<QTemporaryDir> m_runtime;
    QProcessEnvironment m_env;
};

QTEST_MAIN(OneInstanceProcessTest)
#include "one_instance_process_test.moc"
