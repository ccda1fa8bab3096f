#include "core/settings/DefaultsStore.h"
#include "support/CleanupLibrary.h"
#include "support/MomentraRun.h"
#include "support/TestHome.h"

#include <QDir>
#include <QJsonValue>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

// The `cleanup` and `delete-all` commands, run as the real executable in a
// temporary home. Screenshots are made old by moving the command's clock
// ahead with faketime.
class CleanupCommandTest : public QObject
{
    Q_OBJECT

private:
    TestHome m_home;
    CleanupLibrary m_library{m_home.picturesFolder()};

    static MomentraRun momentra(const QStringList& arguments, const QString& clockAhead = QString())
    {
        const QStringList faketime{QStandardPaths::findExecutable(QStringLiteral("faketime")),
                                   QStringLiteral("-f"), clockAhead};
        return MomentraRun::of(arguments, QProcessEnvironment::systemEnvironment(),
                               clockAhead.isEmpty() ? QStringList() : faketime)
            .trimmed();
    }

    void setSettings(const QString& policy, bool permanently)
    {
        DefaultsStore store(DefaultsStore::standardPath());
        store.setValue(QStringLiteral("Momentra.folderPath"), m_home.picturesFolder());
        store.setValue(QStringLiteral("Momentra.deletionPolicy"), policy);
        store.setValue(QStringLiteral("Momentra.deletesPermanently"), permanently);
    }

    QStringList logMessages() const
    {
        QFile file(m_home.stateHome() + QStringLiteral("/Momentra/events.log"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList messages;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            messages << line.section(QStringLiteral("] "), 1);
        return messages;
    }

    QStringList trashed() const
    {
        return QDir(m_home.dataHome() + QStringLiteral("/Trash/files")).entryList(QDir::Files, QDir::Name);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("faketime")).isEmpty())
            QFAIL("faketime is missing: install the Debian package faketime");
    }

    void init()
    {
        QDir(m_home.picturesFolder()).removeRecursively();
        QDir(m_home.dataHome() + QStringLiteral("/Trash")).removeRecursively();
        QFile::remove(m_home.stateHome() + QStringLiteral("/Momentra/events.log"));
        m_library.makeFile(QStringLiteral("2024-05-01/Momentra_2024-05-01_10-00-00.jpeg"));
        m_library.makeFile(QStringLiteral("2024-05-01/Momentra_2024-05-01_10-00-00_Display2.jpeg"));
        m_library.makeFile(QStringLiteral("2024-05-01/notes.txt"));
        m_library.makeFile(QStringLiteral("2024-05-02/Momentra_2024-05-02_10-00-00.png"));
        QThread::msleep(20);  // delete-all takes screenshots with a past creation date
    }

    void cleanupUsesTheStoredSettings()
    {
        setSettings(QStringLiteral("1 Day"), false);
        const MomentraRun young = momentra({QStringLiteral("cleanup")});
        QCOMPARE(young.out, QStringLiteral("No screenshots older than 1 day."));
        QCOMPARE(young.exitCode, 0);

        const MomentraRun dry =
            momentra({QStringLiteral("cleanup"), QStringLiteral("--dry-run")}, QStringLiteral("+2d"));
        QCOMPARE(dry.out, QStringLiteral("Would move 3 screenshots to the Trash."));
        QCOMPARE(m_library.tree().size(), 6);
        QCOMPARE(logMessages(), QStringList{QStringLiteral("Sweep (1 Day) of ~/Pictures/Momentra: trashed 0, failed 0")});

        const MomentraRun done = momentra({QStringLiteral("cleanup")}, QStringLiteral("+2d"));
        QCOMPARE(done.out, QStringLiteral("Moved 3 screenshots to the Trash."));
        QCOMPARE(done.exitCode, 0);
        QCOMPARE(m_library.tree(), QStringList({QStringLiteral("2024-05-01/"), QStringLiteral("2024-05-01/notes.txt")}));
        QCOMPARE(trashed().size(), 3);
        QCOMPARE(logMessages().last(), QStringLiteral("Sweep (1 Day) of ~/Pictures/Momentra: trashed 3, failed 0"));
    }

    void cleanupWithGivenSettings()
    {
        setSettings(QStringLiteral("Never"), false);
        const MomentraRun off = momentra({QStringLiteral("cleanup")}, QStringLiteral("+2d"));
        QCOMPARE(off.exitCode, 0);
        QVERIFY(off.out.startsWith(QLatin1String("Cleanup is off.")));
        QCOMPARE(m_library.tree().size(), 6);

        const MomentraRun done = momentra({QStringLiteral("cleanup"), QStringLiteral("--older-than"),
                                           QStringLiteral("6 hours"), QStringLiteral("--permanently")},
                                          QStringLiteral("+1d"));
        QCOMPARE(done.out, QStringLiteral("Deleted 3 screenshots."));
        QCOMPARE(trashed(), QStringList());
        QCOMPARE(logMessages(), QStringList{QStringLiteral("Sweep (6 Hours) of ~/Pictures/Momentra: deleted 3, failed 0")});
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::newRow("unknown age") << QStringList{QStringLiteral("cleanup"), QStringLiteral("--older-than"), QStringLiteral("forever")} << 2;
        QTest::newRow("never as an age") << QStringList{QStringLiteral("cleanup"), QStringLiteral("--older-than=never")} << 2;
        QTest::newRow("unknown flag") << QStringList{QStringLiteral("cleanup"), QStringLiteral("--all")} << 2;
        QTest::newRow("delete-all flag") << QStringList{QStringLiteral("delete-all"), QStringLiteral("--force")} << 2;
        QTest::newRow("delete-all without a terminal") << QStringList{QStringLiteral("delete-all")} << 2;
    }
    void badInput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        setSettings(QStringLiteral("1 Day"), true);
        const MomentraRun run = momentra(arguments, QStringLiteral("+2d"));
        QCOMPARE(run.exitCode, code);
        QVERIFY2(run.err.startsWith(QLatin1String("momentra: ")), qPrintable(run.err));
        QCOMPARE(m_library.tree().size(), 6);
    }

    void missingFolder()
    {
        setSettings(QStringLiteral("1 Day"), false);
        QDir(m_home.picturesFolder()).removeRecursively();
        const MomentraRun cleanup = momentra({QStringLiteral("cleanup")});
        QCOMPARE(cleanup.exitCode, 1);
        QCOMPARE(cleanup.err, QStringLiteral("momentra: Couldn't open the folder."));
        QCOMPARE(momentra({QStringLiteral("delete-all"), QStringLiteral("--yes")}).exitCode, 1);
    }

    void deleteAllWithYes()
    {
        setSettings(QStringLiteral("Never"), true);
        const MomentraRun run = momentra({QStringLiteral("delete-all"), QStringLiteral("--yes")});
        QCOMPARE(run.out, QStringLiteral("Deleted 3 screenshots."));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_library.tree(), QStringList({QStringLiteral("2024-05-01/"), QStringLiteral("2024-05-01/notes.txt")}));
        QCOMPARE(trashed(), QStringList());
        QCOMPARE(logMessages(), QStringList{QStringLiteral("Delete all in ~/Pictures/Momentra: deleted 3")});
    }

    // On a terminal the command asks first; `script` gives it one.
    void deleteAllAsksOnATerminal_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("deletes");
        QTest::newRow("yes") << QByteArray("y\n") << true;
        QTest::newRow("no") << QByteArray("n\n") << false;
    }
    void deleteAllAsksOnATerminal()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, deletes);
        const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
        if (script.isEmpty())
            QFAIL("script is missing: install the Debian package bsdutils");
        setSettings(QStringLiteral("1 Day"), false);
        QProcess process;
        process.start(script, {QStringLiteral("-qec"), QStringLiteral(MOMENTRA_EXECUTABLE " delete-all"), QStringLiteral("/dev/null")});
        QVERIFY(process.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return process.readAllStandardOutput().contains("[y/N]") || process.state() != QProcess::Running; }, 20000));
        process.write(answer);
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), deletes ? 0 : 1);
        QCOMPARE(trashed().size(), deletes ? 3 : 0);
        QCOMPARE(m_library.tree().size(), deletes ? 2 : 6);
    }
};

QTEST_GUILESS_MAIN(CleanupCommandTest)
#include "tst_CleanupCommand.moc"
