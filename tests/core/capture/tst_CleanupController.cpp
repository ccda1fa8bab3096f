#include "core/capture/CleanupController.h"
#include "core/capture/SweepStop.h"
#include "core/settings/EventLog.h"
#include "support/CleanupFakeTrash.h"
#include "support/CleanupLibrary.h"
#include "support/TestHome.h"

#include <QCoreApplication>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace {
constexpr qint64 kTwoDaysMs = 2LL * 86400 * 1000;
}

class CleanupControllerTest : public QObject
{
    Q_OBJECT

private:
    TestHome m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CleanupLibrary> m_library;
    std::unique_ptr<EventLog> m_log;
    std::shared_ptr<CleanupFakeTrash> m_trash;
    std::unique_ptr<CleanupController> m_controller;
    std::atomic<qint64> m_offsetMs{0};
    // Holding the next pass at its start, on the worker thread.
    std::atomic<bool> m_holdNextPass{false};
    QSemaphore m_passHeld;
    QSemaphore m_passGate;

    QString folder() const { return m_library->root(); }

    QStringList messages()
    {
        m_log->flush();
        QFile file(m_log->currentFile());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            lines << line.section(QStringLiteral("] "), 1);
        return lines;
    }

    QString line(const QString& text) const { return EventLog::withHomeAbbreviated(text); }

    void makeScreenshots(const QString& day, int count)
    {
        for (int i = 0; i < count; ++i)
            m_library->makeFile(day + QStringLiteral("/Momentra_%1_10-00-%2.jpeg").arg(day).arg(i, 2, 10, QLatin1Char('0')));
    }

    bool waitForSweep(QSignalSpy& spy, int count = 1)
    {
        return QTest::qWaitFor([&] { return spy.count() >= count; }, 10000);
    }

    std::optional<SweepResult> resultOf(QFuture<std::optional<SweepResult>> future)
    {
        if (!QTest::qWaitFor([&] { return future.isFinished(); }, 10000))
            return std::nullopt;
        return future.result();
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_library = std::make_unique<CleanupLibrary>(m_dir->path() + QStringLiteral("/Momentra"));
        m_library->makeFolder(QString());
        m_log = std::make_unique<EventLog>(m_dir->path() + QStringLiteral("/log"));
        m_trash = std::make_shared<CleanupFakeTrash>(m_dir->path() + QStringLiteral("/trash"));
        m_offsetMs = kTwoDaysMs;  // every file made by a test is old enough
        m_holdNextPass = false;
        m_controller = std::make_unique<CleanupController>(m_trash);
        m_controller->setEventLog(m_log.get());
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
        m_log.reset();  // writes what is queued before its folder goes
        m_trash.reset();
        m_library.reset();
        m_dir.reset();
    }

    void timerPeriods_data()
    {
        QTest::addColumn<DeletionPolicy>("policy");
        QTest::addColumn<int>("periodSeconds");
        QTest::newRow("never: no timer") << DeletionPolicy::Never << 0;
        QTest::newRow("10 minutes") << DeletionPolicy::TenMinutes << 60;
        QTest::newRow("6 hours") << DeletionPolicy::SixHours << 360;
        QTest::newRow("1 month") << DeletionPolicy::OneMonth << 43200;
    }
    void timerPeriods()
    {
        QFETCH(DeletionPolicy, policy);
        QFETCH(int, periodSeconds);
        QSignalSpy finished(m_controller.get(), &CleanupController::sweepFinished);
        m_controller->configureCleanup(folder(), policy, false);
        const QTimer* timer = m_controller->deletionTimer();
        QCOMPARE(timer != nullptr, periodSeconds > 0);
        if (timer) {
            QCOMPARE(timer->interval(), periodSeconds * 1000);
            QVERIFY(timer->isActive());
            QVERIFY(waitForSweep(finished));
        } else {
            QTest::qWait(50);
            QCOMPARE(finished.count(), 0);
            QCOMPARE(messages(), QStringList());
        }
    }

    void configuredSweepAlwaysLogs()
    {
        QSignalSpy finished(m_controller.get(), &CleanupController::sweepFinished);
        QSignalSpy changed(m_controller.get(), &CleanupController::lastCleanupChanged);
        m_controller->configureCleanup(folder(), DeletionPolicy::OneDay, false);
        QVERIFY(waitForSweep(finished));
        QCOMPARE(finished.first().first().value<SweepTrigger>(), SweepTrigger::Configured);
        QCOMPARE(messages(), QStringList{line(QStringLiteral("Sweep (1 Day) of %1: trashed 0, failed 0").arg(folder()))});
        QVERIFY(m_controller->lastCleanup());
        QCOMPARE(m_controller->lastCleanup()->result, std::optional<SweepResult>(SweepResult{}));
        QCOMPARE(changed.count(), 1);

        // A new folder forgets the old status at once.
        m_controller->configureCleanup(folder() + QStringLiteral("/elsewhere"), DeletionPolicy::Never, false);
        QCOMPARE(m_controller->lastCleanup(), std::nullopt);
    }

    void settingsChangesDuringASweep_data()
    {
        QTest::addColumn<DeletionPolicy>("newPolicy");
        QTest::addColumn<bool>("wasPermanent");
        QTest::addColumn<bool>("nowPermanent");
        QTest::addColumn<bool>("stops");
        QTest::newRow("policy changed") << DeletionPolicy::SixHours << false << false << true;
        QTest::newRow("Trash to permanent: keeps going") << DeletionPolicy::OneDay << false << true << false;
        QTest::newRow("permanent to Trash: stops") << DeletionPolicy::OneDay << true << false << true;
        QTest::newRow("same settings: keeps going") << DeletionPolicy::OneDay << false << false << false;
    }
    void settingsChangesDuringASweep()
    {
        QFETCH(DeletionPolicy, newPolicy);
        QFETCH(bool, wasPermanent);
        QFETCH(bool, nowPermanent);
        QFETCH(bool, stops);
        makeScreenshots(QStringLiteral("2024-05-01"), 3);
        m_holdNextPass = true;
        m_controller->configureCleanup(folder(), DeletionPolicy::OneDay, wasPermanent);
        const auto first = m_controller->currentSweep();
        QVERIFY(m_passHeld.tryAcquire(1, 10000));
        m_controller->configureCleanup(folder(), newPolicy, nowPermanent);
        m_passGate.release();
        const auto result = resultOf(first);
        QVERIFY(result);
        QCOMPARE(result->stopped, stops);
        QCOMPARE(result->trashed, stops ? 0 : 3);
        // A pass that kept going used its own setting; after a stop the next
        // pass removes the rest with the new one.
        QVERIFY(resultOf(m_controller->currentSweep()));
        const bool trashedByFirst = !stops && !wasPermanent;
        const bool trashedBySecond = stops && !nowPermanent;
        QCOMPARE(m_trash->calls(), trashedByFirst || trashedBySecond ? 3 : 0);
        QVERIFY(m_library->tree().isEmpty());
    }

    void stoppedSweepThatRemovedFilesSaysSo()
    {
        makeScreenshots(QStringLiteral("2024-05-01"), 4);
        QSemaphore inside;
        QSemaphore proceed;
        m_trash->setBehaviour([&](const QString& path, int call) {
            if (call == 2) {
                inside.release();
                proceed.acquire();
            }
            return m_trash->moveByRenaming(path);
        });
        QSignalSpy finished(m_controller.get(), &CleanupController::sweepFinished);
        m_controller->configureCleanup(folder(), DeletionPolicy::OneDay, false);
        QVERIFY(inside.tryAcquire(1, 10000));
        m_controller->configureCleanup(folder(), DeletionPolicy::SixHours, false);
        proceed.release();
        QVERIFY(waitForSweep(finished, 2));
        QCOMPARE(messages(), QStringList({
            line(QStringLiteral("Sweep (1 Day) of %1 stopped by a settings change: trashed 2, failed 0").arg(folder())),
            line(QStringLiteral("Sweep (6 Hours) of %1: trashed 2, failed 0").arg(folder())),
        }));
        QCOMPARE(m_trash->mostAtOnce(), 1);  // the second pass waited for the first
    }

    void wakeSweepsOnlyLogWork()
    {
        QSignalSpy finished(m_controller.get(), &CleanupController::sweepFinished);
        m_controller->configureCleanup(folder(), DeletionPolicy::OneHour, false);
        QVERIFY(waitForSweep(finished, 1));
        m_controller->handleDidWake();
        QVERIFY(waitForSweep(finished, 2));
        QCOMPARE(finished.at(1).first().value<SweepTrigger>(), SweepTrigger::Wake);
        QCOMPARE(messages().size(), 1);
        makeScreenshots(QStringLiteral("2024-05-02"), 1);
        m_controller->handleDidWake();
        QVERIFY(waitForSweep(finished, 3));
        QCOMPARE(messages().last(), line(QStringLiteral("Sweep after wake (1 Hour) of %1: trashed 1, failed 0").arg(folder())));
        QVERIFY(m_controller->deletionTimer());  // the wake re-armed the timer
    }

    void timerPassesAreSummarisedAndFlushed()
    {
        QSignalSpy finished(m_controller.get(), &CleanupController::sweepFinished);
        m_controller->configureCleanup(folder(), DeletionPolicy::OneDay, false);
        QVERIFY(waitForSweep(finished, 1));
        auto* timer = const_cast<QTimer*>(m_controller->deletionTimer());
        timer->setInterval(20);  // the real timer, fired sooner
        for (int pass = 0; pass < 2; ++pass) {
            makeScreenshots(QStringLiteral("2024-05-0%1").arg(pass + 1), pass + 1);
            const int before = finished.count();
            QVERIFY(QTest::qWaitFor([&] { return finished.count() > before && m_library->tree().isEmpty(); }, 10000));
        }
        timer->stop();
        QVERIFY(QTest::qWaitFor([&] { return m_controller->currentSweep().isFinished(); }, 10000));
        QTest::qWait(20);
        const QString summary = line(QStringLiteral("Sweep (1 Day) of %1: trashed ").arg(folder()));
        QStringList lines = messages();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.last(), summary + QStringLiteral("1"));  // the first timer pass: at once
        m_controller->flushSweepLog();
        lines = messages();
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.last(), summary + QStringLiteral("2"));  // the rest, written on flush
        m_controller->flushSweepLog();
        QCOMPARE(messages().size(), 3);
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
        m_offsetMs = 10;  // delete all takes every screenshot with a past creation date
        makeScreenshots(QStringLiteral("2024-05-01"), 2);
        makeScreenshots(QStringLiteral("2024-05-02"), 1);
        m_library->makeFile(QStringLiteral("2024-05-02/video.mp4"));
        m_library->makeFile(QStringLiteral("timelapse.mp4"));
        QThread::msleep(15);
        m_controller->configureCleanup(folder(), DeletionPolicy::Never, false);
        int recounts = 0;
        m_controller->setOnDeleteAllFinished([&] { ++recounts; });

        const auto result = resultOf(m_controller->deleteAll(folder(), permanently));
        QVERIFY(result);
        QCOMPARE(result->trashed, 3);
        QCOMPARE(recounts, 1);
        QCOMPARE(m_controller->lastCleanup()->result, result);
        QCOMPARE(messages(), QStringList{line(QStringLiteral("Delete all in %1: %2 3")
                                                  .arg(folder(), permanently ? QStringLiteral("deleted") : QStringLiteral("trashed")))});
        QCOMPARE(m_library->tree(), QStringList({QStringLiteral("2024-05-02/"), QStringLiteral("2024-05-02/video.mp4"),
                                                 QStringLiteral("timelapse.mp4")}));
        QCOMPARE(m_trash->calls(), permanently ? 0 : 3);
    }

    void deleteAllIsStoppedByASettingsChange()
    {
        makeScreenshots(QStringLiteral("2024-05-01"), 2);
        m_controller->configureCleanup(folder(), DeletionPolicy::Never, false);
        m_holdNextPass = true;
        auto future = m_controller->deleteAll(folder(), false);
        QVERIFY(m_passHeld.tryAcquire(1, 10000));
        m_controller->configureCleanup(folder(), DeletionPolicy::OneWeek, false);
        m_passGate.release();
        const auto result = resultOf(future);
        QVERIFY(result && result->stopped);
        QCOMPARE(messages().first(), line(QStringLiteral("Delete all in %1: trashed 0, stopped").arg(folder())));
    }

    void deleteAllOfAMissingFolder()
    {
        const QString missing = folder() + QStringLiteral("/gone");
        const auto future = m_controller->deleteAll(missing, false);
        QVERIFY(QTest::qWaitFor([&] { return future.isFinished(); }, 10000));
        QCOMPARE(future.result(), std::nullopt);
        QCOMPARE(messages(), QStringList{line(QStringLiteral("Delete all in %1: couldn't open the folder").arg(missing))});
        QCOMPARE(m_controller->lastCleanup(), std::nullopt);  // not the configured folder
    }
};

QTEST_GUILESS_MAIN(CleanupControllerTest)
#include "tst_CleanupController.moc"
