#include "core/capture/DisplayCapture.h"
#include "core/capture/ScreenshotManager.h"
#include "core/library/LibraryLayout.h"
#include "support/core/CaptureEngineFakes.h"
#include "support/core/EventLogWatcher.h"
#include "support/core/TestHome.h"

#include <QtTest>

#include <thread>

class ScreenshotManagerTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    std::unique_ptr<FakeScreenSource> m_source;
    std::unique_ptr<TestCodec> m_codec;
    std::unique_ptr<FakeSessionState> m_gates;
    std::unique_ptr<DisplayCapture> m_capture;
    std::unique_ptr<ScreenshotManager> m_engine;
    QDateTime m_now;
    CaptureConfiguration m_config;
    std::optional<EventLogWatcher> m_log;

    bool runTick()
    {
        QSignalSpy finished(m_engine.get(), &ScreenshotManager::tickFinished);
        m_engine->tick();
        return !finished.isEmpty() || finished.wait(5000);
    }
    static QString identity(quint32 number)
    {
        return LibraryLayout::displayIdentity(FakeScreenSource::display(number, 1, 1).facts);
    }

private Q_SLOTS:
    void init()
    {
        m_source = std::make_unique<FakeScreenSource>();
        m_source->setDisplays({FakeScreenSource::display(1, 16, 10, true), FakeScreenSource::display(2, 20, 10)});
        m_codec = std::make_unique<TestCodec>();
        m_gates = std::make_unique<FakeSessionState>();
        m_capture = std::make_unique<DisplayCapture>(*m_source, *m_codec);
        m_engine = std::make_unique<ScreenshotManager>(*m_capture, *m_gates, m_home.log());
        m_now = QDateTime(QDate(2024, 5, 1), QTime(9, 30, 0));
        m_engine->setClock([this] { return m_now; });
        m_config = CaptureConfiguration{};
        m_config.intervalSeconds = 3600;  // the timer never fires during a test
        m_config.folder = m_home.path() + QStringLiteral("/shots-")
                          + QString::number(QRandomGenerator::global()->generate());
        m_log.emplace(m_home.log());
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
        QTest::addColumn<Qt::TimerType>("type");
        QTest::newRow("half a second") << 0.5 << 1000 << Qt::PreciseTimer;
        QTest::newRow("a minute") << 60.0 << 60000 << Qt::CoarseTimer;
    }
    void timerRules()
    {
        QFETCH(double, interval);
        QFETCH(int, periodMs);
        QFETCH(Qt::TimerType, type);
        m_config.intervalSeconds = interval;
        m_engine->start(m_config);
        QCOMPARE(m_engine->timer()->interval(), periodMs);
        QCOMPARE(m_engine->timer()->timerType(), type);
        QCOMPARE(*m_engine->nextCaptureAt(), m_now.addMSecs(qint64(interval * 1000)));  // the interval, not the period
    }

    void startTickStop()
    {
        QList<QMap<QString, int>> ordinalCalls;
        m_engine->onDisplayOrdinalsChanged = [&](const QMap<QString, int>& o) { ordinalCalls << o; };
        m_config.intervalSeconds = 60.9;
        m_config.format = ScreenshotFormat::Heic;
        QVERIFY(m_engine->start(m_config));
        QVERIFY(runTick());
        m_now = m_now.addSecs(5);
        QVERIFY(runTick());
        QCOMPARE(m_engine->todayCount(), 4);
        QCOMPARE(*m_engine->lastCaptureAt(), m_now);
        const QMap<QString, int> expected{{identity(1), 1}, {identity(2), 2}};
        QCOMPARE(ordinalCalls, (QList<QMap<QString, int>>{expected}));  // stored only when they change
        QCOMPARE(m_engine->configuration()->displayOrdinals, expected);
        m_engine->stop();
        m_engine->stop();
        QCOMPARE(m_log->lines().size(), 2);
        QVERIFY(m_log->lines()[0].contains("Capture started: every 60s, HEIC, into ")
                && m_log->lines()[1].contains("Capture stopped"));
        QVERIFY(!m_engine->timer() && !m_engine->nextCaptureAt());
    }

    // A streak of failing ticks is logged once per message and notified once;
    // a success or a stop ends it. A failure while locked is not recorded.
    void failureStreaks()
    {
        QStringList notifications;
        m_engine->onFailureNotification = [&](const QString& m) { notifications << m; };
        m_engine->start(m_config);
        m_source->failDisplay(2, QStringLiteral("X"));
        for (int i = 0; i < 3; ++i)
            QVERIFY(runTick());
        QCOMPARE(m_engine->savedSinceLaunch(), 3);  // display 1 still written each time
        QCOMPARE(m_log->count(QStringLiteral("Capture failed: Couldn't capture display 2: X")), 1);

        m_source->failDisplay(1, QStringLiteral("Y"));
        QVERIFY(runTick());
        QCOMPARE(*m_engine->lastError(), QStringLiteral("Y"));
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
        QCOMPARE(m_log->count(QStringLiteral("Capture failed: Z")), 2);
    }

    // A write failure that lasts (a folder that refuses new files) is one
    // line however many file names it spans, and one more when it ends.
    void lastingWriteFailureLogsOnce()
    {
        m_engine->start(m_config);
        const QString day = m_config.folder + QStringLiteral("/2024-05-01");
        QVERIFY(QDir().mkpath(day));
        QVERIFY2(QProcess::execute("chattr", {"+i", day}) == 0, "chattr +i failed (needs root, e2fsprogs, ext4)");
        for (int i = 0; i < 3; ++i, m_now = m_now.addSecs(1))
            QVERIFY(runTick());
        QProcess::execute("chattr", {"-i", day});
        QVERIFY(runTick());
        QCOMPARE(m_log->count(QStringLiteral("Capture failed: ")), 1);
        QCOMPARE(m_log->count(QStringLiteral("Capture resumed")), 1);
    }

    void missingChosenDisplayLogsOncePerAbsence()
    {
        m_config.onlyDisplay = ChosenDisplay{QStringLiteral("edid:1-2-3"), QStringLiteral("Studio Display")};
        m_engine->start(m_config);
        for (int i = 0; i < 3; ++i)
            QVERIFY(runTick());
        QCOMPARE(m_log->count(QStringLiteral("Studio Display isn't connected; skipping captures")), 1);
        QCOMPARE(*m_engine->missingDisplayName(), QStringLiteral("Studio Display"));
        QVERIFY(!m_engine->lastError());
        DisplayInfo studio = FakeScreenSource::display(3, 8, 8);
        studio.facts.vendor = 1, studio.facts.model = 2, studio.facts.serial = 3;  // edid:1-2-3
        m_source->setDisplays({studio});
        QVERIFY(runTick());
        QCOMPARE(m_log->count(QStringLiteral("Chosen display connected again")), 1);
        QVERIFY(!m_engine->missingDisplayName());
        QCOMPARE(m_engine->savedSinceLaunch(), 1);
    }

    void stopDuringCaptureStillCountsItsFiles()
    {
        m_engine->start(m_config);
        m_source->holdCaptures();
        QSignalSpy finished(m_engine.get(), &ScreenshotManager::tickFinished);
        m_engine->tick();
        QVERIFY(m_source->waitUntilCapturing());
        m_engine->tick();  // a firing during a slow capture is dropped
        m_engine->stop();
        m_source->release();
        QVERIFY(finished.wait(5000));
        QCOMPARE(m_source->contentCalls(), 1);
        QCOMPARE(m_engine->savedSinceLaunch(), 2);
        QVERIFY(!m_engine->nextCaptureAt());
    }

    // The capture is held until the engine is gone, or for at most a second
    // when its destructor waits, as it must, for the capture to end.
    void destroyingTheEngineWaitsForItsCapture()
    {
        m_engine->start(m_config);
        m_source->holdCaptures();
        m_engine->tick();
        QVERIFY(m_source->waitUntilCapturing());
        QSemaphore gone;
        std::atomic<bool> heldWhenGone{false};
        connect(m_engine.get(), &QObject::destroyed, [&] {
            heldWhenGone = m_source->isHolding();
            gone.release();
        });
        std::thread releaser([&] {
            gone.tryAcquire(1, 1000);
            m_source->release();
        });
        m_engine.reset();
        releaser.join();
        QVERIFY2(!heldWhenGone, "the engine was gone while its capture still ran");
        QCOMPARE(m_source->contentCalls(), 1);
    }

    void gatesSkipTicks_data()
    {
        QTest::addColumn<bool>("pausesWhenLocked");
        QTest::addColumn<double>("idleSeconds");
        QTest::addColumn<QString>("frontmost");
        QTest::addColumn<bool>("skipped");
        QTest::newRow("locked, pause on") << true << 0.0 << QString() << true;
        QTest::newRow("locked, pause off") << false << 0.0 << QString() << false;
        QTest::newRow("idle exactly the threshold") << false << 300.0 << QString() << true;
        QTest::newRow("excluded app in front") << false << 0.0 << "org.keepassxc.KeePassXC" << true;
    }
    void gatesSkipTicks()
    {
        QFETCH(bool, pausesWhenLocked);
        QFETCH(double, idleSeconds);
        QFETCH(QString, frontmost);
        QFETCH(bool, skipped);
        m_config.pausesWhenLocked = pausesWhenLocked;
        m_config.pauseWhenIdle = true;
        m_config.idleThresholdSeconds = 300;
        m_config.excludedAppIds = {QStringLiteral("org.keepassxc.KeePassXC")};
        m_gates->locked = true;
        m_gates->idleSeconds = idleSeconds;
        if (!frontmost.isEmpty())
            m_gates->frontmost = frontmost;
        m_engine->start(m_config);
        m_now = m_now.addSecs(30);
        QVERIFY(runTick());
        QCOMPARE(m_source->contentCalls(), skipped ? 0 : 1);
        QCOMPARE(*m_engine->nextCaptureAt(), m_now.addSecs(3600));
        QCOMPARE(m_log->lines().size(), 1);  // only the start line: skipping is silent
    }

    // Sleep stops the timer without stopping capture; wake runs the host's
    // hook and restarts it one interval later.
    void sleepAndWake()
    {
        int wakeHooks = 0;
        m_engine->onDidWake = [&] { ++wakeHooks; };
        m_engine->start(m_config);
        Q_EMIT m_gates->willSleep();
        QVERIFY(m_engine->isCapturing() && !m_engine->timer());
        m_now = m_now.addSecs(5000);
        Q_EMIT m_gates->didWake();
        Q_EMIT m_gates->didWake();
        QCOMPARE(wakeHooks, 2);
        QCOMPARE(*m_engine->nextCaptureAt(), m_now.addSecs(3600));
        QCOMPARE(m_log->count(QStringLiteral("Sleeping; capture paused")), 1);
        QCOMPARE(m_log->count(QStringLiteral("Woke; capture resumed")), 1);
    }

    void lowDiskSpaceSkipsCaptures()
    {
        m_config.minimumFreeBytes = 5000000000LL;
        m_gates->free = 4900000000LL;
        m_engine->start(m_config);
        QVERIFY(runTick());
        QCOMPARE(m_source->contentCalls(), 0);
        QCOMPARE(*m_engine->lowSpaceFreeBytes(), 4900000000LL);
        QCOMPARE(m_gates->lastFolderAsked, m_config.folder);
        m_config.minimumFreeBytes.reset();
        m_engine->update(m_config);  // switching the limit off resumes at once
        QVERIFY(!m_engine->lowSpaceFreeBytes());
        QVERIFY(runTick());
        QCOMPARE(m_source->contentCalls(), 1);
    }

    void updateWhileRunning()
    {
        m_engine->start(m_config);
        CaptureConfiguration changed = m_config;
        changed.format = ScreenshotFormat::Png;
        m_engine->update(changed);  // same interval: no line
        changed.intervalSeconds = 30.7;
        m_now = m_now.addSecs(100);
        m_engine->update(changed);
        QCOMPARE(m_log->count(QStringLiteral("Interval changed")), 1);
        QVERIFY(m_log->lines().last().contains(QStringLiteral("Interval changed: every 30s")));
        QCOMPARE(*m_engine->nextCaptureAt(), m_now.addMSecs(30700));
    }

    void todayCountIsRecountedOnANewDay()
    {
        const QString today = m_config.folder + QStringLiteral("/2024-05-01");
        QVERIFY(QDir().mkpath(today));
        for (const char* name : {"Momentra_2024-05-01_08-00-00.jpeg", "notes.txt"})
            QVERIFY(QFile(today + QLatin1Char('/') + QLatin1String(name)).open(QIODevice::WriteOnly));
        m_engine->start(m_config);
        QCOMPARE(m_engine->todayCount(), 1);
        m_now = QDateTime(QDate(2024, 5, 2), QTime(0, 0, 5));
        m_source->failContent(QStringLiteral("down"));
        QVERIFY(runTick());
        QCOMPARE(m_engine->todayCount(), 0);
    }
};

QTEST_GUILESS_MAIN(ScreenshotManagerTest)
#include "tst_ScreenshotManager.moc"
