#include "core/capture/CaptureEngineFakes.h"
#include "core/capture/DisplayCapture.h"
#include "core/capture/LibraryLayout.h"
#include "core/capture/ScreenshotManager.h"
#include "support/EventLogWatcher.h"
#include "support/TestHome.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

#include <thread>

namespace {

QString identityOf(const DisplayInfo& display) { return LibraryLayout::displayIdentity(display.facts); }

}  // namespace

class ScreenshotManagerTest : public QObject
{
    Q_OBJECT

    TestHome m_home;  // before anything opens the event log
    std::unique_ptr<FakeScreenSource> m_source;
    std::unique_ptr<FakeImageCodec> m_codec;
    std::unique_ptr<FakeCaptureGates> m_gates;
    std::unique_ptr<DisplayCapture> m_capture;
    std::unique_ptr<ScreenshotManager> m_engine;
    QDateTime m_now;
    CaptureConfiguration m_config;
    DisplayInfo m_panel = FakeScreenSource::display(1, 16, 10, true);
    DisplayInfo m_external = FakeScreenSource::display(2, 20, 10);

    // Runs one tick to its end, whether it captured or was skipped.
    bool runTick()
    {
        QSignalSpy finished(m_engine.get(), &ScreenshotManager::tickFinished);
        m_engine->tick();
        return !finished.isEmpty() || finished.wait(5000);
    }

private Q_SLOTS:
    void init()
    {
        m_source = std::make_unique<FakeScreenSource>();
        m_source->setDisplays({m_panel, m_external});
        m_codec = std::make_unique<FakeImageCodec>();
        m_gates = std::make_unique<FakeCaptureGates>();
        m_capture = std::make_unique<DisplayCapture>(*m_source, *m_codec);
        m_engine = std::make_unique<ScreenshotManager>(*m_capture, *m_gates);
        m_now = QDateTime(QDate(2024, 5, 1), QTime(9, 30, 0));
        m_engine->setClock([this] { return m_now; });
        m_config = CaptureConfiguration{};
        m_config.intervalSeconds = 3600;  // the timer never fires during a test
        m_config.folder = m_home.path() + QStringLiteral("/shots-") + QString::number(QRandomGenerator::global()->generate());
    }
    void cleanup()
    {
        if (m_source)
            m_source->release();
        m_engine.reset();
    }

    void timerRules_data()
    {
        QTest::addColumn<double>("interval");
        QTest::addColumn<int>("periodMs");
        QTest::addColumn<double>("tolerance");
        QTest::addColumn<Qt::TimerType>("type");
        QTest::newRow("half a second") << 0.5 << 1000 << 0.1 << Qt::PreciseTimer;
        QTest::newRow("one second") << 1.0 << 1000 << 0.1 << Qt::CoarseTimer;
        QTest::newRow("a minute") << 60.0 << 60000 << 6.0 << Qt::CoarseTimer;
        QTest::newRow("an hour: tolerance capped") << 3600.0 << 3600000 << 60.0 << Qt::CoarseTimer;
    }
    void timerRules()
    {
        QFETCH(double, interval);
        QFETCH(int, periodMs);
        QFETCH(double, tolerance);
        QFETCH(Qt::TimerType, type);
        QCOMPARE(ScreenshotManager::timerPeriodMilliseconds(interval), periodMs);
        QCOMPARE(ScreenshotManager::timerToleranceSeconds(interval), tolerance);
        QCOMPARE(ScreenshotManager::timerType(interval), type);

        m_config.intervalSeconds = interval;
        m_engine->start(m_config);
        QVERIFY(m_engine->timer() && m_engine->timer()->isActive());
        QCOMPARE(m_engine->timer()->interval(), periodMs);
        QCOMPARE(m_engine->timer()->timerType(), type);
        // The next capture time follows the interval itself, not the timer period.
        QCOMPARE(*m_engine->nextCaptureAt(), m_now.addMSecs(qint64(interval * 1000)));
    }

    void startAndStop()
    {
        EventLogWatcher log;
        QList<bool> capturingCalls;
        m_engine->onCapturingChanged = [&](bool on) { capturingCalls << on; };
        QSignalSpy capturingChanged(m_engine.get(), &ScreenshotManager::isCapturingChanged);
        m_config.intervalSeconds = 60.9;
        m_config.format = ScreenshotFormat::Heic;

        QVERIFY(m_engine->start(m_config));
        QVERIFY(m_engine->isCapturing());
        QVERIFY(QFileInfo(m_config.folder).isDir());
        QCOMPARE(log.count(QStringLiteral("Capture started: every 60s, HEIC, into ")), 1);
        m_engine->stop();
        m_engine->stop();

        QCOMPARE(capturingCalls, (QList<bool>{true, false, false}));
        QCOMPARE(capturingChanged.count(), 2);
        QCOMPARE(log.count(QStringLiteral("Capture stopped")), 1);
        QVERIFY(!m_engine->timer());
        QVERIFY(!m_engine->nextCaptureAt());
        QVERIFY(m_engine->configuration().has_value());  // kept after stop
    }

    void successfulTicksCountAndPersistOrdinalsOnlyOnChange()
    {
        QList<QMap<QString, int>> ordinalCalls;
        QList<QDateTime> successCalls;
        m_engine->onDisplayOrdinalsChanged = [&](const QMap<QString, int>& o) { ordinalCalls << o; };
        m_engine->onCaptureSucceeded = [&](const QDateTime& at) { successCalls << at; };
        m_engine->start(m_config);
        QSignalSpy todayChanged(m_engine.get(), &ScreenshotManager::todayCountChanged);

        QVERIFY(runTick());
        m_now = m_now.addSecs(5);
        QVERIFY(runTick());

        QCOMPARE(m_engine->todayCount(), 4);
        QCOMPARE(m_engine->savedSinceLaunch(), 4);
        QCOMPARE(todayChanged.count(), 2);
        QCOMPARE(*m_engine->lastCaptureAt(), m_now);
        QCOMPARE(successCalls.size(), 2);
        const QMap<QString, int> expected{{identityOf(m_panel), 1}, {identityOf(m_external), 2}};
        QCOMPARE(ordinalCalls.size(), 1);
        QCOMPARE(ordinalCalls.first(), expected);
        QCOMPARE(m_engine->configuration()->displayOrdinals, expected);
        QCOMPARE(*m_engine->nextCaptureAt(), m_now.addSecs(3600));
        QVERIFY(!m_engine->isTicking());
        QVERIFY(!m_engine->lastError());
    }

    // A streak of failing ticks is logged once per message and notified once;
    // a success or a stop ends it. A failure while locked is not recorded.
    void failureStreaks()
    {
        EventLogWatcher log;
        QStringList notifications;
        m_engine->onFailureNotification = [&](const QString& m) { notifications << m; };
        m_engine->start(m_config);

        m_source->failDisplay(2, QStringLiteral("X"));
        for (int i = 0; i < 3; ++i)
            QVERIFY(runTick());
        QCOMPARE(m_engine->savedSinceLaunch(), 3);  // display 1 still written each time
        QCOMPARE(log.count(QStringLiteral("Capture failed: Couldn't capture display 2: X")), 1);

        m_source->failDisplay(1, QStringLiteral("Y"));  // now both fail
        const auto lastCapture = m_engine->lastCaptureAt();
        m_now = m_now.addSecs(10);
        QVERIFY(runTick());
        QCOMPARE(*m_engine->lastError(), QStringLiteral("Y"));
        QCOMPARE(m_engine->lastCaptureAt(), lastCapture);
        QCOMPARE(m_engine->savedSinceLaunch(), 3);
        QCOMPARE(log.count(QStringLiteral("Capture failed: Y")), 1);
        QCOMPARE(notifications.size(), 1);  // same streak

        m_gates->locked = true;
        m_source->failContent(QStringLiteral("Z"));
        QVERIFY(runTick());
        QCOMPARE(*m_engine->lastError(), QStringLiteral("Y"));
        m_gates->locked = false;

        m_source->clearFailures();
        QVERIFY(runTick());
        QVERIFY(!m_engine->lastError());
        m_source->failContent(QStringLiteral("Z"));
        QVERIFY(runTick());
        QVERIFY(runTick());
        m_engine->stop();
        m_engine->start(m_config);
        QVERIFY(runTick());
        QCOMPARE(notifications, (QStringList{QStringLiteral("Couldn't capture display 2: X"), QStringLiteral("Z"),
                                             QStringLiteral("Z")}));
        QCOMPARE(log.count(QStringLiteral("Capture failed: Z")), 2);
    }

    void missingChosenDisplayLogsOncePerAbsence()
    {
        EventLogWatcher log;
        QList<QMap<QString, int>> ordinalCalls;
        m_engine->onDisplayOrdinalsChanged = [&](const QMap<QString, int>& o) { ordinalCalls << o; };
        m_config.onlyDisplay = ChosenDisplay{QStringLiteral("edid:1-2-3"), QStringLiteral("Studio Display")};
        m_engine->start(m_config);
        for (int i = 0; i < 3; ++i)
            QVERIFY(runTick());
        QCOMPARE(log.count(QStringLiteral("Studio Display isn't connected; skipping captures")), 1);
        QCOMPARE(*m_engine->missingDisplayName(), QStringLiteral("Studio Display"));
        QCOMPARE(ordinalCalls.size(), 1);  // the ordinals still follow the connected displays
        QVERIFY(!m_engine->lastError());
        QCOMPARE(m_engine->savedSinceLaunch(), 0);

        m_config.onlyDisplay = ChosenDisplay{identityOf(m_external), QStringLiteral("External")};
        m_engine->update(m_config);  // a new choice is judged afresh
        QVERIFY(!m_engine->missingDisplayName());
        QVERIFY(runTick());
        QCOMPARE(m_engine->savedSinceLaunch(), 1);
        QCOMPARE(log.count(QStringLiteral("Chosen display connected again")), 0);

        m_config.onlyDisplay = ChosenDisplay{QStringLiteral("edid:1-2-3"), QStringLiteral("Studio Display")};
        m_engine->update(m_config);
        QVERIFY(runTick());
        m_source->setDisplays({m_panel, m_external, [] {
                                   DisplayInfo d = FakeScreenSource::display(3, 8, 8);
                                   d.facts = DisplayFacts{3, std::nullopt, 1, 2, 3};
                                   return d;
                               }()});
        QVERIFY(runTick());
        QCOMPARE(log.count(QStringLiteral("Chosen display connected again")), 1);
        QVERIFY(!m_engine->missingDisplayName());
        QCOMPARE(log.count(QStringLiteral("isn't connected")), 2);
    }

    void stopDuringCaptureStillCountsItsFiles()
    {
        m_engine->start(m_config);
        m_source->holdCaptures();
        QSignalSpy finished(m_engine.get(), &ScreenshotManager::tickFinished);
        m_engine->tick();
        QVERIFY(m_source->waitUntilCapturing());
        QVERIFY(m_engine->isTicking());
        m_engine->tick();  // a firing during a slow capture is dropped
        m_engine->stop();
        m_source->release();
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(m_source->contentCalls(), 1);
        QCOMPARE(m_engine->savedSinceLaunch(), 2);
        QVERIFY(!m_engine->nextCaptureAt());  // stopped: no next capture
        QVERIFY(!m_engine->isTicking());
    }

    void destroyingTheEngineWaitsForItsCapture()
    {
        m_engine->start(m_config);
        m_source->holdCaptures();
        m_engine->tick();
        QVERIFY(m_source->waitUntilCapturing());
        std::thread releaser([source = m_source.get()] {
            QThread::msleep(100);
            source->release();
        });
        m_engine.reset();  // must not return while the worker still uses the capture step
        releaser.join();
        QCOMPARE(m_source->contentCalls(), 1);
    }

    void gatesSkipTicks_data()
    {
        QTest::addColumn<bool>("pausesWhenLocked");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<double>("idleSeconds");
        QTest::addColumn<QString>("frontmost");
        QTest::addColumn<bool>("skipped");
        QTest::newRow("locked, pause on") << true << true << 0.0 << QString() << true;
        QTest::newRow("locked, pause off") << false << true << 0.0 << QString() << false;
        QTest::newRow("idle exactly the threshold") << false << false << 300.0 << QString() << true;
        QTest::newRow("idle just below") << false << false << 299.9 << QString() << false;
        QTest::newRow("excluded app in front") << false << false << 0.0 << "org.keepassxc.KeePassXC" << true;
        QTest::newRow("other app in front") << false << false << 0.0 << "org.gnome.Terminal" << false;
    }
    void gatesSkipTicks()
    {
        QFETCH(bool, pausesWhenLocked);
        QFETCH(bool, locked);
        QFETCH(double, idleSeconds);
        QFETCH(QString, frontmost);
        QFETCH(bool, skipped);
        EventLogWatcher log;
        m_config.pausesWhenLocked = pausesWhenLocked;
        m_config.pauseWhenIdle = true;
        m_config.idleThresholdSeconds = 300;
        m_config.excludedBundleIDs = {QStringLiteral("org.keepassxc.KeePassXC")};
        m_gates->locked = locked;
        m_gates->idleSeconds = idleSeconds;
        if (!frontmost.isEmpty())
            m_gates->frontmost = frontmost;
        m_engine->start(m_config);
        m_now = m_now.addSecs(30);
        QVERIFY(runTick());
        QCOMPARE(m_source->contentCalls(), skipped ? 0 : 1);
        QCOMPARE(*m_engine->nextCaptureAt(), m_now.addSecs(3600));
        QCOMPARE(log.lines().size(), 1);  // only the start line: skipping is silent
    }

    // Sleep stops the timer without stopping capture; wake restarts it, so
    // the first tick after waking comes one interval later. Wake always runs
    // the host's wake hook first (the cleanup sweep).
    void sleepAndWake()
    {
        EventLogWatcher log;
        int wakeHooks = 0;
        m_engine->onDidWake = [&] { ++wakeHooks; };
        m_engine->start(m_config);
        const auto due = m_engine->nextCaptureAt();

        m_engine->handleWillSleep();
        QVERIFY(m_engine->isCapturing());
        QVERIFY(!m_engine->timer());
        QCOMPARE(m_engine->nextCaptureAt(), due);
        QVERIFY(m_engine->wasCapturingBeforeSleep());

        m_now = m_now.addSecs(5000);
        m_engine->handleDidWake();
        QCOMPARE(wakeHooks, 1);
        QVERIFY(m_engine->timer());
        QCOMPARE(*m_engine->nextCaptureAt(), m_now.addSecs(3600));
        QVERIFY(!m_engine->wasCapturingBeforeSleep());
        QCOMPARE(log.count(QStringLiteral("Sleeping; capture paused")), 1);
        QCOMPARE(log.count(QStringLiteral("Woke; capture resumed")), 1);

        // A second wake, or sleep while stopped, changes nothing and logs nothing.
        m_engine->handleDidWake();
        m_engine->stop();
        m_engine->handleWillSleep();
        m_engine->handleDidWake();
        QVERIFY(!m_engine->timer());
        QCOMPARE(wakeHooks, 3);
        QCOMPARE(log.count(QStringLiteral("Woke; capture resumed")), 1);
        QCOMPARE(log.count(QStringLiteral("Sleeping; capture paused")), 1);
    }

    void lowDiskSpacePausesWithHysteresis()
    {
        EventLogWatcher log;
        m_config.minimumFreeBytes = 5000000000LL;
        m_gates->free = 4900000000LL;
        m_engine->start(m_config);
        QCOMPARE(log.count(QStringLiteral("Low disk space: 4.9 GB free, limit 5 GB; skipping captures")), 1);
        QCOMPARE(*m_engine->lowSpaceFreeBytes(), 4900000000LL);
        QCOMPARE(m_gates->lastFolderAsked, m_config.folder);

        m_gates->free = 5500000000LL;
        QVERIFY(runTick());
        QCOMPARE(m_source->contentCalls(), 0);
        QCOMPARE(*m_engine->lowSpaceFreeBytes(), 5500000000LL);  // the shown figure follows the disk

        m_gates->free = 6000000000LL;
        QVERIFY(runTick());
        QCOMPARE(m_source->contentCalls(), 1);
        QVERIFY(!m_engine->lowSpaceFreeBytes());
        QCOMPARE(log.count(QStringLiteral("Capturing again: 6 GB free")), 1);

        m_gates->free = 100;
        QVERIFY(runTick());
        m_config.minimumFreeBytes.reset();
        m_engine->update(m_config);  // switching the limit off resumes at once
        QCOMPARE(log.count(QStringLiteral("Capturing again: free-space limit off")), 1);
        QVERIFY(!m_engine->lowSpaceFreeBytes());
        QCOMPARE(log.count(QStringLiteral("Low disk space:")), 2);
    }

    void updateWhileRunning()
    {
        EventLogWatcher log;
        m_engine->update(m_config);  // not capturing: only stored
        QCOMPARE(*m_engine->configuration(), m_config);
        QVERIFY(!m_engine->timer());

        m_engine->start(m_config);
        CaptureConfiguration changed = m_config;
        changed.format = ScreenshotFormat::Png;
        m_engine->update(changed);
        QCOMPARE(log.count(QStringLiteral("Interval changed")), 0);
        changed.intervalSeconds = 30.7;
        changed.folder = m_config.folder + QStringLiteral("-new");
        m_now = m_now.addSecs(100);
        m_engine->update(changed);
        QCOMPARE(log.count(QStringLiteral("Interval changed: every 30s")), 1);
        QCOMPARE(m_engine->timer()->interval(), 30700);
        QCOMPARE(*m_engine->nextCaptureAt(), m_now.addMSecs(30700));
        QVERIFY(QFileInfo(changed.folder).isDir());
        QCOMPARE(m_engine->configuration()->format, ScreenshotFormat::Png);
    }

    void todayCountIsRecountedOnANewDay()
    {
        const QString today = m_config.folder + QStringLiteral("/2024-05-01");
        QVERIFY(QDir().mkpath(today));
        for (const QString& name : {QStringLiteral("Momentra_2024-05-01_08-00-00.jpeg"),
                                    QStringLiteral("Momentra_2024-05-01_08-01-00.png"), QStringLiteral("notes.txt")}) {
            QFile file(today + QLatin1Char('/') + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        m_engine->start(m_config);
        QCOMPARE(m_engine->todayCount(), 2);
        QVERIFY(runTick());
        QCOMPARE(m_engine->todayCount(), 4);

        m_now = QDateTime(QDate(2024, 5, 2), QTime(0, 0, 5));
        m_source->failContent(QStringLiteral("down"));
        QVERIFY(runTick());  // a new day: recounted before capturing
        QCOMPARE(m_engine->todayCount(), 0);
        QCOMPARE(*m_engine->todayCountDate(), m_now);
    }
};

QTEST_GUILESS_MAIN(ScreenshotManagerTest)
#include "tst_ScreenshotManager.moc"
