#include "platform/linux/GateSources.h"
#include "platform/linux/KWinActiveWindow.h"
#include "platform/linux/LinuxSessionState.h"
#include "platform/linux/MutterIdleMonitor.h"
#include "platform/linux/SessionProbe.h"
#include "platform/linux/ShellExtensionFrontmostApp.h"
#include "support/PrivateBus.h"
#include "support/core/EventLogWatcher.h"
#include "support/core/TestHome.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QtTest>

#include <time.h>
#include <unistd.h>

// Where the idle and excluded-app gates get their answers on each desktop:
// the choice from what a session offers, and the D-Bus ones against mocks
// with the real interfaces on private buses (GNOME's idle monitor, logind,
// KWin's scripting, our GNOME Shell extension).
class TestGateSources : public QObject
{
    Q_OBJECT

    TestHome m_home;
    PrivateBus m_system{PrivateBus::Kind::System};
    PrivateBus m_session{PrivateBus::Kind::Session};

    QDBusConnection systemBus() { return QDBusConnection::connectToBus(m_system.address(), "sys"); }
    QDBusConnection sessionBus() { return QDBusConnection::connectToBus(m_session.address(), "ses"); }
    static QString mock(const char* name)
    {
        return QString(MOMENTRA_SOURCE_DIR "/tests/support/dbusmock/%1.py").arg(name);
    }

    static QDBusMessage call(QDBusConnection bus, const QString& service, const QString& path, const QString& interface,
                             const QString& method, const QVariantList& arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        return bus.call(message);
    }
    void setSession(const char* property, const QVariant& value)
    {
        call(systemBus(), "org.freedesktop.login1", "/org/freedesktop/login1/session/c2",
             "org.freedesktop.DBus.Properties", "Set",
             {"org.freedesktop.login1.Session", property, QVariant::fromValue(QDBusVariant(value))});
    }
    bool kwinHasScript()
    {
        return call(sessionBus(), "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "isScriptLoaded",
                    {KWinActiveWindow::kPluginName})
            .arguments()
            .value(0)
            .toBool();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_system.start(), qPrintable(m_system.error()));
        QVERIFY2(m_session.start(), qPrintable(m_session.error()));
        QVERIFY2(m_system.startMock("logind", "org.freedesktop.login1"), qPrintable(m_system.error()));
        QVERIFY2(m_session.startMock(mock("mutter_idle_monitor"), "org.gnome.Mutter.IdleMonitor"),
                 qPrintable(m_session.error()));
        QVERIFY2(m_session.startMock(mock("kwin_scripting"), "org.kde.KWin"), qPrintable(m_session.error()));
        QVERIFY2(m_session.startMock(mock("momentra_shell_extension"), ShellExtensionFrontmostApp::kService),
                 qPrintable(m_session.error()));
        QCOMPARE(call(systemBus(), "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.DBus.Mock",
                      "AddSession", {"c2", "seat0", uint(::getuid()), "tester", true})
                     .type(),
                 QDBusMessage::ReplyMessage);
        qputenv("XDG_SESSION_ID", "c2");
    }

    void choose_data()
    {
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<int>("idle");
        QTest::addColumn<int>("frontApp");
        QTest::addColumn<QString>("unavailable");  // in the log lines; "" when both gates work
        using I = GateSources::Idle;
        using F = GateSources::FrontApp;
        QTest::newRow("X11") << QStringList{"x11"} << int(I::XScreenSaver) << int(F::X11ActiveWindow) << "";
        QTest::newRow("XWayland is not the session")
            << QStringList{"wayland", "x11", "logind"} << int(I::LogindIdleHint) << int(F::None)
            << "excluded app is active is unavailable on this desktop: this desktop tells no app";
        QTest::newRow("sway 1.7") << QStringList{"wayland", "kdeIdle", "foreignToplevels", "logind"} << int(I::KdeIdle)
                                  << int(F::WlrForeignToplevel) << "";
        QTest::newRow("newer wlroots") << QStringList{"wayland", "extIdle", "kdeIdle", "foreignToplevels"}
                                       << int(I::ExtIdleNotifier) << int(F::WlrForeignToplevel) << "";
        QTest::newRow("Plasma") << QStringList{"wayland", "extIdle", "kwin"} << int(I::ExtIdleNotifier)
                                << int(F::KWinScript) << "";
        QTest::newRow("GNOME with the extension")
            << QStringList{"wayland", "mutter", "gnomeShell", "extension", "logind"} << int(I::MutterIdleMonitor)
            << int(F::GnomeShellExtension) << "";
        QTest::newRow("GNOME without it")
            << QStringList{"wayland", "mutter", "gnomeShell"} << int(I::MutterIdleMonitor)
            << int(F::GnomeShellExtension) << "only through the Momentra extension; turn it on";
        QTest::newRow("nothing at all") << QStringList{"wayland"} << int(I::None) << int(F::None)
                                        << "Pausing when idle is unavailable on this desktop";
    }
    void choose()
    {
        QFETCH(QStringList, offered);
        QFETCH(int, idle);
        QFETCH(int, frontApp);
        QFETCH(QString, unavailable);
        GateSources::Facts facts;
        const QList<std::pair<const char*, bool*>> flags{{"wayland", &facts.wayland},
                                                         {"x11", &facts.x11},
                                                         {"extIdle", &facts.extIdleNotifier},
                                                         {"kdeIdle", &facts.kdeIdle},
                                                         {"foreignToplevels", &facts.foreignToplevels},
                                                         {"mutter", &facts.mutterIdleMonitor},
                                                         {"kwin", &facts.kwin},
                                                         {"gnomeShell", &facts.gnomeShell},
                                                         {"extension", &facts.shellExtension},
                                                         {"logind", &facts.logindSession}};
        for (const auto& [name, flag] : flags)
            *flag = offered.contains(name);
        const GateSources::Choice choice = GateSources::choose(facts);
        QCOMPARE(int(choice.idle), idle);
        QCOMPARE(int(choice.frontApp), frontApp);
        const QStringList lines = choice.sentences();
        QCOMPARE(lines.size() > 1, !unavailable.isEmpty());
        QVERIFY2(lines.join('\n').contains(unavailable), qPrintable(lines.join('\n')));
    }

    // A Wayland session whose compositor is gone still finds the desktop's D-Bus services.
    void probeFindsTheBusServices()
    {
        qputenv("WAYLAND_DISPLAY", "momentra-no-compositor");
        SessionProbe session(sessionBus());
        const GateSources::Facts facts = GateSources::probe(session, systemBus());
        qunsetenv("WAYLAND_DISPLAY");
        QVERIFY(facts.wayland && !facts.kdeIdle && !facts.foreignToplevels && !facts.gnomeShell);
        QVERIFY(facts.mutterIdleMonitor && facts.kwin && facts.shellExtension);
        QVERIFY(!facts.logindSession);  // asked only when nothing better answers idle time
    }

    void idleTimeOverDBus_data()
    {
        QTest::addColumn<int>("idle");
        QTest::addColumn<bool>("logindIdle");
        QTest::addColumn<double>("seconds");
        using I = GateSources::Idle;
        QTest::newRow("GNOME") << int(I::MutterIdleMonitor) << false << 90.5;
        QTest::newRow("logind, active") << int(I::LogindIdleHint) << false << 0.0;
        QTest::newRow("logind, idle") << int(I::LogindIdleHint) << true << 90.5;
    }
    void idleTimeOverDBus()
    {
        QFETCH(int, idle);
        QFETCH(bool, logindIdle);
        QFETCH(double, seconds);
        call(sessionBus(), "org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
             "org.freedesktop.DBus.Mock", "SetIdletime", {qulonglong(90500)});
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        setSession("IdleHint", logindIdle);
        setSession("IdleSinceHintMonotonic", qulonglong(now.tv_sec * 1000000LL + now.tv_nsec / 1000 - 90500000LL));
        GateSources::Choice choice;
        choice.idle = GateSources::Idle(idle);
        LinuxSessionState session(systemBus(), sessionBus(), m_home.log(), choice);
        QVERIFY2(qAbs(session.secondsSinceLastInput() - seconds) < 2,
                 qPrintable(QString::number(session.secondsSinceLastInput())));
    }

    // Our extension's AppId, as the desktop names apps; nothing while it is not running.
    void gnomeShellExtension()
    {
        ShellExtensionFrontmostApp source(sessionBus());
        for (const auto& [published, expected] :
             {std::pair{QString("org.gnome.TextEditor.desktop"), std::optional<QString>("org.gnome.TextEditor")},
              std::pair{QString(), std::optional<QString>()}}) {
            call(sessionBus(), ShellExtensionFrontmostApp::kService, ShellExtensionFrontmostApp::kObjectPath,
                 "org.freedesktop.DBus.Properties", "Set",
                 {ShellExtensionFrontmostApp::kInterface, "AppId", QVariant::fromValue(QDBusVariant(published))});
            QCOMPARE(source.frontmostAppId(), expected);
        }
        QCOMPARE(ShellExtensionFrontmostApp(systemBus()).frontmostAppId(), std::nullopt);
    }

    // The script is loaded once this process holds Momentra's name, reports
    // back there, and is unloaded when the source goes.
    void kwinScript()
    {
        auto source = std::make_unique<KWinActiveWindow>(
            sessionBus(), MOMENTRA_SOURCE_DIR "/data/kwin/momentra-active-window.js", m_home.log());
        QCOMPARE(source->frontmostAppId(), std::nullopt);
        QVERIFY(!kwinHasScript());
        QVERIFY(sessionBus().registerService(KWinActiveWindow::kServiceName));
        QCOMPARE(source->frontmostAppId(), std::nullopt);
        QVERIFY(kwinHasScript());

        QDBusConnection kwin = QDBusConnection::connectToBus(m_session.address(), "kwin");
        for (const auto& [reported, expected] :
             {std::pair{QString("org.kde.konsole"), std::optional<QString>("org.kde.konsole")},
              std::pair{QString("org.kde.dolphin.desktop"), std::optional<QString>("org.kde.dolphin")},
              std::pair{QString(), std::optional<QString>()}}) {
            QDBusMessage message = QDBusMessage::createMethodCall(
                KWinActiveWindow::kServiceName, KWinActiveWindow::kObjectPath, "app.momentra.Momentra.ActiveWindow",
                "SetActiveWindow");
            message.setArguments({reported});
            kwin.asyncCall(message);
            QTRY_COMPARE(source->frontmostAppId(), expected);
        }
        source.reset();
        QVERIFY(!kwinHasScript());

        EventLogWatcher log(m_home.log());
        KWinActiveWindow missing(sessionBus(), m_home.path() + "/nowhere.js", m_home.log());
        for (int i = 0; i < 3; ++i)
            QCOMPARE(missing.frontmostAppId(), std::nullopt);
        QCOMPARE(log.count("the KWin script (share/momentra/kwin/momentra-active-window.js) is not installed"), 1);
        QVERIFY(sessionBus().unregisterService(KWinActiveWindow::kServiceName));
    }
};

QTEST_GUILESS_MAIN(TestGateSources)
#include "tst_GateSources.moc"
