#include "core/FileDescriptor.h"
#include "core/StopFlag.h"
#include "core/cleanup/CleanupController.h"
#include "core/cleanup/CleanupSentence.h"
#include "core/cleanup/CleanupSweeper.h"
#include "core/cleanup/FileTimes.h"
#include "core/cleanup/SweepLog.h"
#include "core/log/EventLog.h"
#include "support/core/CleanupFakeTrash.h"
#include "support/core/CleanupLibrary.h"
#include "support/core/EventLogWatcher.h"
#include "support/core/FilePermissionsEnforced.h"
#include "support/core/TestHome.h"

#include <QtTest>

#include <atomic>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>

using Entry = SweepLog::Entry;
using Entries = QList<SweepLog::Entry>;
using Outcome = std::optional<SweepResult>;
Q_DECLARE_METATYPE(SweepTrigger)
Q_DECLARE_METATYPE(Outcome)

namespace {
constexpr qint64 kHour = 3600;
constexpr qint64 kDay = 86400;
const QString kShot = QStringLiteral("Momentra_2024-05-01_10-00-00.jpeg");
const QString kShot2 = QStringLiteral("Momentra_2024-05-01_10-00-05_Display2.png");

const QString kFolder = QStringLiteral("/home/me/Pictures/Momentra");
const QString kSweep = QStringLiteral("Sweep (1 Day) of /home/me/Pictures/Momentra");
const QString kWake = QStringLiteral("Sweep after wake (1 Day) of /home/me/Pictures/Momentra");
const QDateTime kStart = QDateTime(QDate(2024, 5, 1), QTime(10, 24));

Outcome passed(int trashed, int failed, bool stopped = false)
{
    return SweepResult{trashed, failed, std::nullopt, stopped};
}
Entries notice(const QString& text)
{
    return {Entry::notice(text)};
}
}  // namespace

// The sweep over a real library, the controller that schedules it on its
// worker, and the log lines it leaves.
class CleanupTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CleanupLibrary> m_library;
    std::optional<EventLogWatcher> m_log;
    std::shared_ptr<CleanupFakeTrash> m_trash;
    std::unique_ptr<CleanupController> m_controller;
    std::atomic<qint64> m_offsetMs{0};
    // Holds the next pass at its start, on the worker thread.
    std::atomic<bool> m_holdNextPass{false};
    QSemaphore m_passHeld;
    QSemaphore m_passGate;

    QString folder() const { return m_library->root(); }

    QStringList messages() const
    {
        QStringList lines;
        for (const QString& line : m_log->lines())
            lines << line.section(QStringLiteral("] "), 1);
        return lines;
    }

    QString line(const QString& text) const { return EventLog::withHomeAbbreviated(text.arg(folder())); }

    void makeScreenshots(const QString& day, int count)
    {
        for (int i = 0; i < count; ++i)
            m_library->makeFile(
                day + QStringLiteral("/Momentra_%1_10-00-%2.jpeg").arg(day).arg(i, 2, 10, QLatin1Char('0')));
    }

    std::optional<SweepResult> resultOf(QFuture<std::optional<SweepResult>> future)
    {
        if (!QTest::qWaitFor([&] { return future.isFinished(); }, 10000))
            return std::nullopt;
        return future.result();
    }

    // By default two days later, when every file made by a test is old enough.
    std::optional<SweepResult> sweep(bool permanently = false, QDateTime now = {}, qint64 maxAge = kHour,
                                     const StopFlag& stop = StopFlag())
    {
        now = now.isValid() ? now : QDateTime::currentDateTime().addDays(2);
        return CleanupSweeper(m_trash).sweep(m_library->root(), maxAge, permanently, stop, now);
    }

    static Entries record(SweepLog& log, const Outcome& outcome, SweepTrigger trigger, const QDateTime& at = kStart,
                          bool permanently = false)
    {
        return log.record(outcome, trigger, kFolder, DeletionPolicy::OneDay, permanently, at);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_library = std::make_unique<CleanupLibrary>(m_dir->path() + QStringLiteral("/Momentra"));
        m_library->makeFolder(QString());
        m_log.emplace(m_home.log());
        m_trash = std::make_shared<CleanupFakeTrash>(m_dir->path() + QStringLiteral("/trash"));
        m_offsetMs = 2LL * 86400 * 1000;  // every file made by a test is old enough
        m_holdNextPass = false;
        m_controller = std::make_unique<CleanupController>(m_trash, m_home.log());
        m_controller->setClock([this] {
            if (QThread::currentThread() != QCoreApplication::instance()->thread() && m_holdNextPass.exchange(false)) {
                m_passHeld.release();
                m_passGate.acquire();
            }
            return QDateTime::currentDateTime().addMSecs(m_offsetMs);
        });
    }

    void cleanup()
    {
        m_passGate.release(10);
        m_controller.reset();
        m_passGate.acquire(m_passGate.available());
        m_passHeld.acquire(m_passHeld.available());
        m_trash.reset();
        m_library.reset();
        m_dir.reset();
    }

    void creationFallsBackToModificationTime()
    {
        struct statx info = {};
        info.stx_mask = STATX_MTIME | STATX_TYPE;
        info.stx_mtime.tv_sec = 1000;
        info.stx_btime.tv_sec = 5;  // not valid: the mask lacks the birth time
        QCOMPARE(FileTimes::creationMs(info), std::optional<qint64>(1000000));
        QCOMPARE(FileTimes::birthMs(info), std::nullopt);
        info.stx_mask |= STATX_BTIME;
        info.stx_btime.tv_nsec = 250000000;
        QCOMPARE(FileTimes::creationMs(info), std::optional<qint64>(5250));
    }

    void boundaryAge_data()
    {
        QTest::addColumn<qint64>("extraMs");
        QTest::addColumn<bool>("removed");
        QTest::newRow("exactly the maximum age stays") << qint64(0) << false;
        QTest::newRow("a millisecond older goes") << qint64(1) << true;
    }
    void boundaryAge()
    {
        QFETCH(qint64, extraMs);
        QFETCH(bool, removed);
        const QString folder = m_library->makeFolder(QStringLiteral("2024-05-01"));
        // The folder must be older than its file.
        QTRY_VERIFY(QDateTime::currentDateTime() > CleanupLibrary::creationOf(folder));
        const QString file = m_library->makeFile(QStringLiteral("2024-05-01/") + kShot);
        const auto result = sweep(true, CleanupLibrary::creationOf(file).addMSecs(kHour * 1000 + extraMs));
        QVERIFY(result);
        QCOMPARE(result->trashed, removed ? 1 : 0);
        QCOMPARE(QFile::exists(file), !removed);
        QCOMPARE(result->oldestRemaining.has_value(), !removed);
    }

    // Birth time stays now: the sweep's now decides the empty folder is old
    // enough to list; the modification time decides whether it goes.
    void emptyDayFolders_data()
    {
        QTest::addColumn<qint64>("ageSeconds");
        QTest::addColumn<bool>("removed");
        QTest::addColumn<bool>("partial");  // holding the partial file of a writer that ended
        QTest::newRow("modified long ago: removed") << qint64(2 * kDay) << true << false;
        QTest::newRow("modified recently: kept") << qint64(60) << false << false;
        QTest::newRow("only a killed writer's partial: removed") << qint64(2 * kDay) << true << true;
    }
    void emptyDayFolders()
    {
        QFETCH(qint64, ageSeconds);
        QFETCH(bool, partial);
        const QString day = m_library->makeFolder(QStringLiteral("2024-05-01"));
        if (partial)
            m_library->makeFile(QStringLiteral("2024-05-01/.%1.partial-%2-x").arg(kShot).arg(INT_MAX));
        const QDateTime now = QDateTime::currentDateTime().addSecs(3 * kDay);
        struct timespec times[2] = {{0, UTIME_OMIT}, {(now.toSecsSinceEpoch() - ageSeconds), 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(day).constData(), times, 0), 0);
        QVERIFY(sweep(true, now, kDay));
        QTEST(!QFileInfo::exists(day), "removed");
    }

    // A library with everything that must survive: links, foreign and hidden
    // files, look-alike names, a folder that refuses changes, screenshots
    // outside day folders. Exactly the own screenshots go.
    void hostileTreeLosesOnlyOwnScreenshots_data()
    {
        QTest::addColumn<bool>("permanently");
        QTest::newRow("deleted") << true;
        QTest::newRow("trashed") << false;
    }
    void hostileTreeLosesOnlyOwnScreenshots()
    {
        QFETCH(bool, permanently);
        CleanupLibrary outside(m_dir->path() + QStringLiteral("/outside"));
        const QString outsideShot = outside.makeFile(kShot);
        outside.makeFile(QStringLiteral("2024-01-01/") + kShot);
        auto& lib = *m_library;
        const QString day4 = QStringLiteral("2024-05-04/");
        const QStringList removed{"2024-05-01/" + kShot, "2024-05-01/" + kShot2,
                                  "2024-05-02/Momentra_2024-05-02_09-00-00.HEIC",
                                  "2024-05-02/Momentra_2024-05-02_09-00-00.jpg", day4 + kShot};
        const QStringList kept{// foreign, hidden and look-alike names, a folder named like a screenshot
                               day4 + "holiday.jpeg", day4 + "." + kShot,
                               day4 + "Momentra_2024-05-04_10-00-00.jpeg.part",
                               day4 + "Momentra_2024-05-04_10-00-00.png/inner.txt",
                               // screenshots outside day folders, a file named like a day folder
                               kShot, "2024-5-01/" + kShot, "2024-02-30x/" + kShot, "Exports/2024-05-01/" + kShot,
                               ".2024-05-05/" + kShot, "2024-05-06/nested/" + kShot, "2024-05-08",
                               "2024-05-07/" + kShot};  // in a folder that refuses changes: fails
        for (const QString& file : removed + kept)
            lib.makeFile(file);
        const QString fifo = lib.path(day4 + "Momentra_2024-05-04_11-00-00.png");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // Links, whether the day folder or the screenshot name is the link.
        QVERIFY(lib.makeLink(outside.root() + QStringLiteral("/2024-01-01"), QStringLiteral("2024-01-01")));
        QVERIFY(lib.makeLink(outsideShot, QStringLiteral("2024-05-03/") + kShot));
        QVERIFY(lib.makeLink(outside.root(), QStringLiteral("2024-05-03/") + kShot2));

        const QStringList before = lib.tree();
        const QStringList outsideBefore = outside.tree();
        // Immutable: root, as the tests run, ignores permissions.
        const QString locked = lib.path(QStringLiteral("2024-05-07"));
        QVERIFY2(QProcess::execute("chattr", {"+i", locked}) == 0, "chattr +i failed (needs root, e2fsprogs, ext4)");
        const auto unlock = qScopeGuard([&] { QProcess::execute("chattr", {"-i", locked}); });
        const auto result = sweep(permanently);
        QVERIFY(result);
        QCOMPARE(result->trashed, 5);
        QCOMPARE(result->failed, 1);
        QCOMPARE(result->oldestRemaining, CleanupLibrary::creationOf(lib.path(QStringLiteral("2024-05-07/") + kShot)));
        QStringList expected = before;
        expected.removeIf([&](const QString& path) {
            return removed.contains(path) || path == QLatin1String("2024-05-01/")
                   || path == QLatin1String("2024-05-02/");
        });
        QCOMPARE(lib.tree(), expected);
        QCOMPARE(outside.tree(), outsideBefore);
        QCOMPARE(m_trash->calls(), permanently ? 0 : 5 + 1);  // the locked one is tried too
    }

    void stopFlagEndsThePassBetweenFiles()
    {
        for (int i = 0; i < 5; ++i)
            m_library->makeFile(QStringLiteral("2024-05-01/Momentra_2024-05-01_10-00-0%1.jpeg").arg(i));
        StopFlag stop;
        m_trash->setBehaviour([&](const QString& path, int call) {
            if (call == 3)
                stop.set();
            return m_trash->moveByRenaming(path);
        });
        const auto result = sweep(false, {}, kHour, stop);
        QVERIFY(result && result->stopped);
        QCOMPARE(result->trashed, 3);
        QCOMPARE(m_library->tree().size(), 1 + 2);  // folder and two files: not tidied
    }

    void removalFailures_data()
    {
        QTest::addColumn<bool>("removesAnyway");
        QTest::newRow("file still there: failed") << false;
        QTest::newRow("file gone despite the error: counted") << true;
    }
    void removalFailures()
    {
        QFETCH(bool, removesAnyway);
        const QString file = m_library->makeFile(QStringLiteral("2024-05-01/") + kShot);
        m_trash->setBehaviour([&](const QString& path, int) {
            if (removesAnyway)
                QFile::remove(path);
            return Result<QString>::failure(QStringLiteral("refused"));
        });
        const auto result = sweep();
        QVERIFY(result);
        QCOMPARE(result->trashed, removesAnyway ? 1 : 0);
        QCOMPARE(result->failed, removesAnyway ? 0 : 1);
        QCOMPARE(result->removalFailures.value(QStringLiteral("refused")), removesAnyway ? 0 : 1);
        QCOMPARE(QFileInfo::exists(m_library->path(QStringLiteral("2024-05-01"))), !removesAnyway);
        QCOMPARE(m_trash->received(), QByteArrayList{QFile::encodeName(file)});
    }

    // A name that is not UTF-8 reaches the Trash as the same bytes, never as
    // the name of the file its decoded form would spell.
    void rawNamesReachTheTrash()
    {
        const QByteArray day = QFile::encodeName(m_library->makeFolder(QStringLiteral("2024-05-01")));
        const QByteArray raw = day + "/Momentra_2024-05-01_\xff.jpeg";
        const QByteArray lookAlike = day + "/Momentra_2024-05-01_\xef\xbf\xbd.jpeg";
        for (const QByteArray& path : {raw, lookAlike})
            QVERIFY(FileDescriptor(::creat(path.constData(), 0600)).isOpen());
        sweep();
        QVERIFY(m_trash->received().contains(raw));
        QCOMPARE(::access(raw.constData(), F_OK), -1);
    }

    void unreadableDayFolderIsAFailure()
    {
        const QString day = QFileInfo(m_library->makeFile(QStringLiteral("2024-05-01/") + kShot)).path();
        QVERIFY(QFile::setPermissions(day, {}));
        const std::optional<SweepResult> result = [&] {
            const FilePermissionsEnforced enforced;  // root reads any folder otherwise
            return sweep(true);
        }();
        QFile::setPermissions(day, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(result->failed, 1);
        QCOMPARE(SweepLog::causeEntries(result, true),
                 Entries{Entry::error(QStringLiteral("Couldn't read 1 day folder: Permission denied"))});
    }

    void timerPeriods_data()
    {
        QTest::addColumn<DeletionPolicy>("policy");
        QTest::addColumn<int>("periodSeconds");
        QTest::newRow("never: no timer, no sweep") << DeletionPolicy::Never << 0;
        QTest::newRow("6 hours") << DeletionPolicy::SixHours << 360;
    }
    void timerPeriods()
    {
        QFETCH(DeletionPolicy, policy);
        QFETCH(int, periodSeconds);
        QSignalSpy finished(m_controller.get(), &CleanupController::sweepFinished);
        m_controller->configureCleanup(folder(), policy, false);
        const QTimer* timer = m_controller->findChild<QTimer*>();
        QCOMPARE(timer ? timer->interval() : 0, periodSeconds * 1000);
        if (!timer) {
            // A pass on the same worker, asked for later, ends after any sweep begun before.
            QVERIFY(resultOf(m_controller->deleteAll(folder() + QStringLiteral("/none"), false)) == std::nullopt);
            QCOMPARE(finished.count(), 0);
            QCOMPARE(m_trash->calls(), 0);
            return;
        }
        QVERIFY(QTest::qWaitFor([&] { return finished.count() == 1; }, 10000));
        QCOMPARE(finished.first().first().value<SweepTrigger>(), SweepTrigger::Configured);
        QCOMPARE(messages(), QStringList{line(QStringLiteral("Sweep (6 Hours) of %1: trashed 0, failed 0"))});
        m_controller->configureCleanup(folder() + QStringLiteral("/elsewhere"), DeletionPolicy::Never, false);
        QCOMPARE(m_controller->lastCleanup(), std::nullopt);  // a new folder forgets the old status
    }

    // A pass that keeps going uses its own setting; after a stop the next
    // pass removes the rest with the new one.
    void settingsChangesDuringASweep_data()
    {
        QTest::addColumn<DeletionPolicy>("newPolicy");
        QTest::addColumn<bool>("wasPermanent");
        QTest::addColumn<bool>("nowPermanent");
        QTest::addColumn<bool>("stops");
        QTest::newRow("policy changed") << DeletionPolicy::SixHours << false << false << true;
        QTest::newRow("Trash to permanent: keeps going") << DeletionPolicy::OneDay << false << true << false;
        QTest::newRow("permanent to Trash: stops") << DeletionPolicy::OneDay << true << false << true;
    }
    void settingsChangesDuringASweep()
    {
        QFETCH(DeletionPolicy, newPolicy);
        QFETCH(bool, wasPermanent);
        QFETCH(bool, nowPermanent);
        QFETCH(bool, stops);
        makeScreenshots(QStringLiteral("2024-05-01"), 3);
        QSignalSpy finished(m_controller.get(), &CleanupController::sweepFinished);
        m_holdNextPass = true;
        m_controller->configureCleanup(folder(), DeletionPolicy::OneDay, wasPermanent);
        QVERIFY(m_passHeld.tryAcquire(1, 10000));
        m_controller->configureCleanup(folder(), newPolicy, nowPermanent);
        m_passGate.release();
        QVERIFY(QTest::qWaitFor([&] { return finished.count() == 2; }, 10000));
        // The status is the second pass's: it found the rest only when the first one stopped.
        QCOMPARE(m_controller->lastCleanup()->result->trashed, stops ? 3 : 0);
        const bool trashed = stops ? !nowPermanent : !wasPermanent;
        QCOMPARE(m_trash->calls(), trashed ? 3 : 0);
        QCOMPARE(m_trash->mostAtOnce(), trashed ? 1 : 0);  // passes never overlap
        QVERIFY(m_library->tree().isEmpty());
    }

    void deleteAll_data()
    {
        QTest::addColumn<bool>("permanently");
        QTest::newRow("to the Trash") << false;
        QTest::newRow("permanently") << true;
    }
    void deleteAll()
    {
        QFETCH(bool, permanently);
        m_offsetMs = 0;  // delete all takes every screenshot with a past creation date
        makeScreenshots(QStringLiteral("2024-05-01"), 2);
        makeScreenshots(QStringLiteral("2024-05-02"), 1);
        const QString newest = m_library->makeFile(QStringLiteral("2024-05-02/video.mp4"));
        QTRY_VERIFY(QDateTime::currentDateTime() > CleanupLibrary::creationOf(newest));
        m_controller->configureCleanup(folder(), DeletionPolicy::Never, false);
        int recounts = 0;
        m_controller->setOnDeleteAllFinished([&] { ++recounts; });

        const auto result = resultOf(m_controller->deleteAll(folder(), permanently));
        QVERIFY(result);
        QCOMPARE(result->trashed, 3);
        QCOMPARE(recounts, 1);
        QCOMPARE(m_controller->lastCleanup()->result, result);
        QCOMPARE(messages(), QStringList{line(QStringLiteral("Delete all in %1: ")
                                              + QString::fromLatin1(permanently ? "deleted 3" : "trashed 3"))});
        QCOMPARE(m_library->tree(),
                 QStringList({QStringLiteral("2024-05-02/"), QStringLiteral("2024-05-02/video.mp4")}));
        QCOMPARE(m_trash->calls(), permanently ? 0 : 3);
    }
    void singlePass_data()
    {
        QTest::addColumn<SweepTrigger>("trigger");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<bool>("permanently");
        QTest::addColumn<Entries>("expected");
        const auto configured = SweepTrigger::Configured, wake = SweepTrigger::Wake, timer = SweepTrigger::Timer;
        const Entries unlistable{Entry::error("Sweep after wake couldn't list " + kFolder)};
        const Entries stopLine = notice(kSweep + " stopped by a settings change: trashed 4, failed 2");
        QTest::newRow("configured, permanent")
            << configured << passed(5, 1) << true << notice(kSweep + ": deleted 5, failed 1");
        QTest::newRow("wake, nothing removed: no line") << wake << passed(0, 0) << false << Entries{};
        QTest::newRow("wake, removed") << wake << passed(2, 0) << false << notice(kWake + ": trashed 2, failed 0");
        QTest::newRow("stopped timer sweep: only the stop line") << timer << passed(4, 2, true) << false << stopLine;
        QTest::newRow("stopped before doing anything: no line")
            << configured << passed(0, 0, true) << false << Entries{};
        QTest::newRow("unlistable after wake") << wake << Outcome() << false << unlistable;
        SweepResult causes{0, 2};
        causes.removalFailures = {{"Permission denied", 2}};
        QTest::newRow("configured, a line per cause")
            << configured << Outcome(causes) << false
            << Entries{Entry::notice(kSweep + ": trashed 0, failed 2"),
                       Entry::error("Couldn't move 2 screenshots to the Trash: Permission denied")};
    }
    void singlePass()
    {
        QFETCH(SweepTrigger, trigger);
        QFETCH(Outcome, outcome);
        QFETCH(bool, permanently);
        SweepLog log;
        QTEST(record(log, outcome, trigger, kStart, permanently), "expected");
    }

    void listingFailuresAreReportedOncePerStreak()
    {
        SweepLog log;
        QCOMPARE(record(log, Outcome(), SweepTrigger::Timer).size(), 1);
        QCOMPARE(record(log, Outcome(), SweepTrigger::Wake).size(), 0);
        QCOMPARE(record(log, Outcome(), SweepTrigger::Configured).size(), 1);  // a configured sweep always reports
        record(log, passed(0, 0), SweepTrigger::Timer);
        QCOMPARE(record(log, Outcome(), SweepTrigger::Timer).size(), 1);
    }

    void timerSummariesAtMostHourly()
    {
        SweepLog log;
        const auto timer = [&](int trashed, int seconds) {
            return record(log, passed(trashed, 0), SweepTrigger::Timer, kStart.addSecs(seconds));
        };
        QCOMPARE(timer(3, 0), notice(kSweep + QStringLiteral(": trashed 3")));  // the first pass at once
        QCOMPARE(timer(10, 600), Entries{});
        QCOMPARE(timer(0, 1200), Entries{});
        QCOMPARE(timer(30, 3599), Entries{});
        QCOMPARE(timer(5, 3600), notice(kSweep + QStringLiteral(": trashed 45 in 3 passes since 2024-05-01 10:34")));
        log.pending = SweepLog::Pending{9, 40, kStart};
        QCOMPARE(log.takeSummary(kFolder, DeletionPolicy::OneDay, true, kStart.addSecs(30)),
                 notice(kSweep + QStringLiteral(": deleted 40 in 9 passes since 2024-05-01 10:24")));
        QCOMPARE(log.takeSummary(kFolder, DeletionPolicy::OneDay, true, kStart.addSecs(60)), Entries{});
    }

    void timerFailuresOnlyOnChange()
    {
        SweepLog log;
        const auto timer = [&](int failed, bool permanently = false) {
            return record(log, passed(0, failed), SweepTrigger::Timer, kStart, permanently);
        };
        QCOMPARE(timer(2), Entries{Entry::error(kSweep + QStringLiteral(": couldn't move 2 to the Trash"))});
        QCOMPARE(timer(2), Entries{});
        QCOMPARE(timer(0), notice(kSweep + QStringLiteral(": nothing failing anymore")));
        QCOMPARE(timer(0), Entries{});
        QCOMPARE(timer(1, true), Entries{Entry::error(kSweep + QStringLiteral(": couldn't delete 1"))});
    }

    void deleteAllLines_data()
    {
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<bool>("permanently");
        QTest::addColumn<Entry>("expected");
        const QString start = QStringLiteral("Delete all in /home/me/Pictures/Momentra: ");
        QTest::newRow("trashed with failures")
            << passed(1520, 3) << false << Entry::notice(start + QStringLiteral("trashed 1520, 3 failed"));
        QTest::newRow("stopped") << passed(2, 0, true) << false
                                 << Entry::notice(start + QStringLiteral("trashed 2, stopped"));
        QTest::newRow("unreadable") << Outcome() << false
                                    << Entry::error(start + QStringLiteral("couldn't open the folder"));
    }
    void deleteAllLines()
    {
        QFETCH(Outcome, outcome);
        QFETCH(bool, permanently);
        QTEST(SweepLog::deleteAllEntry(kFolder + QLatin1Char('/'), permanently, outcome), "expected");
    }

    // The Storage settings' status lines: the last check's age, what it kept, the oldest screenshot's age.
    void statusLines_data()
    {
        QTest::addColumn<qint64>("checkedAgo");
        QTest::addColumn<int>("failed");
        QTest::addColumn<qint64>("oldestAge");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fresh, 59 s old") << 59LL << 0 << 59LL
                                         << "Checked just now.\nOldest screenshot: under a minute old.";
        QTest::newRow("minutes, hour") << 60LL << 0 << 3600LL
                                       << "Checked 1 minute ago.\nOldest screenshot: 1 hour old.";
        QTest::newRow("hours and minutes, failures") << 8100LL << 2 << 86400LL * 2 + 3 * 3600 + 59
                                                     << "Checked 2 hours 15 minutes ago.\nCouldn't move 2 screenshots "
                                                        "to the Trash.\nOldest screenshot: 2 days 3 hours old.";
        QTest::newRow("whole day, nothing left")
            << 86400LL + 1800 << 1 << -1LL << "Checked 1 day ago.\nCouldn't move 1 screenshot to the Trash.";
    }
    void statusLines()
    {
        QFETCH(qint64, checkedAgo);
        QFETCH(int, failed);
        QFETCH(qint64, oldestAge);
        SweepResult result{0, failed, std::nullopt, false};
        if (oldestAge >= 0)
            result.oldestRemaining = kStart.addSecs(-oldestAge);
        QTEST(CleanupSentence::status(CleanupStatus{kStart.addSecs(-checkedAgo), result}, false, kStart), "expected");
        QCOMPARE(CleanupSentence::status(std::nullopt, false, kStart), QStringLiteral("Checking…"));
        QCOMPARE(CleanupSentence::status(CleanupStatus{kStart, std::nullopt}, false, kStart),
                 QStringLiteral("Couldn't open the folder."));
    }
};

QTEST_GUILESS_MAIN(CleanupTest)
#include "tst_Cleanup.moc"
