#include "core/capture/DisplayCapture.h"
#include "core/capture/ScreenshotManager.h"
#include "platform/linux/LinuxSessionState.h"
#include "platform/linux/wayland/ScreencopyScreenSource.h"
#include "support/HelperProcess.h"
#include "support/core/EventLogWatcher.h"
#include "support/core/TestCodec.h"
#include "support/core/TestHome.h"

#include <QSignalSpy>
#include <QtTest>

// The idle and excluded-app gates against a real compositor:
// scripts/wayland-session.sh runs this binary inside headless sway 1.7,
// which offers org_kde_kwin_idle and zwlr_foreign_toplevel_manager_v1.
// Two foot terminals stand for apps with known app ids; wtype types
// through a virtual keyboard, which is input to the compositor.
class TestWaylandSessionFacts : public QObject
{
    Q_OBJECT

    static constexpr double kThreshold = 3;
    TestHome m_home;
    HelperProcess m_open;
    HelperProcess m_secret;

    static QByteArray run(const QString& program, const QStringList& arguments)
    {
        QProcess process;
        process.start(program, arguments);
        process.waitForFinished(30000);
        return process.exitCode() == 0 ? process.readAllStandardOutput() : QByteArray();
    }
    static bool focus(const QString& appId)
    {
        return run("swaymsg", {QString("[app_id=\"%1\"] focus").arg(appId)}).contains("\"success\": true");
    }
    static bool type() { return QProcess::execute("wtype", {"x"}) == 0; }
    static QDBusConnection noSystemBus() { return QDBusConnection::connectToBus("unix:path=/nonexistent", "none"); }

private Q_SLOTS:
    void initTestCase()
    {
        for (auto& [terminal, id] :
             {std::pair{&m_open, "org.example.Open"}, std::pair{&m_secret, "org.example.Secret"}}) {
            terminal->start("foot", {"--app-id", id, "sleep", "900"});
            QVERIFY2(terminal->waitForStarted(), "foot did not start (Debian package foot)");
        }
        QTRY_VERIFY_WITH_TIMEOUT(run("swaymsg", {"-t", "get_tree"}).count("\"app_id\": \"org.example.") == 2, 60000);
    }

    // The engine over the compositor's answers, ticked by hand: a tick is
    // skipped while an excluded app is in front or nobody typed for the
    // threshold, and taken again once the other app is in front and typed in.
    void engineSkipsTicks()
    {
        EventLogWatcher log(m_home.log());
        LinuxSessionState session(noSystemBus(), QDBusConnection::sessionBus(), m_home.log());
        QCOMPARE(log.count("Idle time from org_kde_kwin_idle; the active app from zwlr_foreign_toplevel_manager_v1"),
                 1);
        ScreencopyScreenSource source;
        TestCodec codec;
        DisplayCapture capture(source, codec);
        ScreenshotManager engine(capture, session, m_home.log());
        CaptureConfiguration configuration;
        configuration.folder = m_home.picturesFolder();
        configuration.intervalSeconds = 3600;
        configuration.pauseWhenIdle = true;
        configuration.idleThresholdSeconds = kThreshold;
        configuration.excludedAppIds = {"org.example.Secret"};
        QVERIFY(engine.start(configuration));

        struct Step
        {
            QString front;
            bool typed;
            bool captured;
        };
        for (const Step& step : {Step{"org.example.Open", true, true}, Step{"org.example.Secret", true, false},
                                 Step{"org.example.Open", false, false}, Step{"org.example.Open", true, true}}) {
            QVERIFY(focus(step.front));
            QTRY_COMPARE(session.frontmostAppId(), std::optional<QString>(step.front));
            if (step.typed) {
                QVERIFY2(type(), "wtype failed (Debian package wtype)");
                QTRY_COMPARE(session.secondsSinceLastInput(), 0.0);
            } else {
                QTRY_VERIFY_WITH_TIMEOUT(session.secondsSinceLastInput() >= kThreshold, 30000);
            }
            const int saved = engine.savedSinceLaunch();
            QSignalSpy finished(&engine, &ScreenshotManager::tickFinished);
            engine.tick();
            QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
            QVERIFY2(engine.lastError() == std::nullopt, qPrintable(engine.lastError().value_or("")));
            QCOMPARE(engine.savedSinceLaunch() - saved, step.captured ? 2 : 0);  // one per output
        }
    }
};

QTEST_GUILESS_MAIN(TestWaylandSessionFacts)
#include "tst_WaylandSessionFacts.moc"
