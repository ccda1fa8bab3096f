#include "core/cleanup/CleanupController.h"
#include "core/log/EventLog.h"
#include "support/core/EventLogWatcher.h"
#include "support/core/CleanupFakeTrash.h"
#include "support/core/CleanupLibrary.h"
#include "support/core/TestHome.h"

#include <QtTest>

#include <atomic>

class CleanupControllerTest : public QObject
{
    Q_OBJECT

private:
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
            m_library->makeFile(day + QStringLiteral("/Momentra_%1_10-00-%2.jpeg").arg(day).arg(i, 2, 10, QLatin1Char('0')));
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
        const QTimer* timer = m_controller->deletionTimer();
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
        QVERIFY(resultOf(m_controller->currentSweep()));
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
        QCOMPARE(messages(), QStringList{line(QStringLiteral("Delete all in %1: ") + QString::fromLatin1(permanently ? "deleted 3" : "trashed 3"))});
        QCOMPARE(m_library->tree(), QStringList({QStringLiteral("2024-05-02/"), QStringLiteral("2024-05-02/video.mp4")}));
        QCOMPARE(m_trash->calls(), permanently ? 0 : 3);
    }
};

QTEST_GUILESS_MAIN(CleanupControllerTest)
#include "tst_CleanupController.moc"
