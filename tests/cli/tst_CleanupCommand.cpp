#include "core/settings/DefaultsStore.h"
#include "support/core/CleanupLibrary.h"
#include "support/MomentraRun.h"
#include "support/core/TestHome.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

// Screenshots are made old by moving the command's clock ahead with faketime.
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
        DefaultsStore store(DefaultsStore::standardPath(), m_home.log());
        store.setValue(QStringLiteral("Momentra.folderPath"), m_home.picturesFolder());
        store.setValue(QStringLiteral("Momentra.deletionPolicy"), policy);
        store.setValue(QStringLiteral("Momentra.deletesPermanently"), permanently);
    }

    QStringList trashed() const
    {
        return QDir(m_home.dataHome() + QStringLiteral("/Trash/files")).entryList(QDir::Files, QDir::Name);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("faketime")).isEmpty(), "faketime is missing: install the Debian package faketime");
    }

    void init()
    {
        QDir(m_home.picturesFolder()).removeRecursively();
        QDir(m_home.dataHome() + QStringLiteral("/Trash")).removeRecursively();
        QFile::remove(m_home.stateHome() + QStringLiteral("/Momentra/events.log"));
        m_library.makeFile(QStringLiteral("2024-05-01/Momentra_2024-05-01_10-00-00.jpeg"));
        m_library.makeFile(QStringLiteral("2024-05-01/Momentra_2024-05-01_10-00-00_Display2.jpeg"));
        m_library.makeFile(QStringLiteral("2024-05-01/notes.txt"));
        const QString newest = m_library.makeFile(QStringLiteral("2024-05-02/Momentra_2024-05-02_10-00-00.png"));
        // delete-all takes screenshots with a past creation date
        QTRY_VERIFY(QDateTime::currentDateTime() > CleanupLibrary::creationOf(newest));
    }

    void cleanupUsesTheStoredSettings()
    {
        setSettings(QStringLiteral("1 Day"), false);
        QCOMPARE(momentra({QStringLiteral("cleanup")}).out, QStringLiteral("No screenshots older than 1 day."));

        QCOMPARE(momentra({QStringLiteral("cleanup"), QStringLiteral("--dry-run")}, QStringLiteral("+2d")).out,
                 QStringLiteral("Would move 3 screenshots to the Trash."));
        QCOMPARE(m_library.tree().size(), 6);

        QCOMPARE(momentra({QStringLiteral("cleanup")}, QStringLiteral("+2d")).out, QStringLiteral("Moved 3 screenshots to the Trash."));
        QCOMPARE(m_library.tree(), QStringList({QStringLiteral("2024-05-01/"), QStringLiteral("2024-05-01/notes.txt")}));
        QCOMPARE(trashed().size(), 3);
        QFile log(m_home.stateHome() + QStringLiteral("/Momentra/events.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().trimmed().endsWith("] Sweep (1 Day) of ~/Pictures/Momentra: trashed 3, failed 0"));
    }

    void cleanupWithGivenSettings()
    {
        setSettings(QStringLiteral("Never"), false);
        QVERIFY(momentra({QStringLiteral("cleanup")}, QStringLiteral("+2d")).out.startsWith(QLatin1String("Cleanup is off.")));
        QCOMPARE(m_library.tree().size(), 6);

        QCOMPARE(momentra({"cleanup", "--older-than", "6 hours", "--permanently"}, QStringLiteral("+1d")).out,
                 QStringLiteral("Deleted 3 screenshots."));
        QCOMPARE(trashed(), QStringList());
    }

    void missingFolder()
    {
        setSettings(QStringLiteral("1 Day"), false);
        QDir(m_home.picturesFolder()).removeRecursively();
        const MomentraRun cleanup = momentra({QStringLiteral("cleanup")});
        QCOMPARE(cleanup.exitCode, 1);
        QCOMPARE(cleanup.err, QStringLiteral("momentra: Couldn't open the folder."));
        QCOMPARE(momentra({"delete-all", "--yes"}).exitCode, 1);
    }

    void deleteAllWithYes()
    {
        setSettings(QStringLiteral("Never"), true);
        QCOMPARE(momentra({"delete-all", "--yes"}).out, QStringLiteral("Deleted 3 screenshots."));
        QCOMPARE(m_library.tree(), QStringList({QStringLiteral("2024-05-01/"), QStringLiteral("2024-05-01/notes.txt")}));
        QCOMPARE(trashed(), QStringList());
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
        QVERIFY2(!script.isEmpty(), "script is missing: install the Debian package bsdutils");
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
