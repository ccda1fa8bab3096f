#include "X11TestDesk.h"
#include "platform/linux/DesktopNotifier.h"
#include "platform/linux/LinuxSessionState.h"
#include "platform/linux/LogindClient.h"
#include "support/core/EventLogWatcher.h"
#include "support/PrivateBus.h"
#include "support/core/TestHome.h"
#include "support/XvfbServer.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

// The desktop's answers to the engine's gate questions, sleep and
// notifications, from real services: a private Xvfb (idle time, display
// power, the active window under openbox) and python3-dbusmock's logind,
// GNOME screen saver and notification daemon.
class TestLinuxSessionState : public QObject
{
    Q_OBJECT

    TestHome m_home;
    XvfbServer m_xvfb;
    PrivateBus m_system{PrivateBus::Kind::System};
    PrivateBus m_session{PrivateBus::Kind::Session};

    QDBusConnection systemBus() { return QDBusConnection::connectToBus(m_system.address(), "sys"); }
    QDBusConnection sessionBus() { return QDBusConnection::connectToBus(m_session.address(), "ses"); }

    // The control interface of the logind mock.
    QDBusInterface logindMock() { return {"org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.DBus.Mock", systemBus()}; }

    void setSession(const char* property, bool value)
    {
        QDBusInterface("org.freedesktop.login1", "/org/freedesktop/login1/session/c2", "org.freedesktop.DBus.Properties", systemBus())
            .call("Set", "org.freedesktop.login1.Session", property, QVariant::fromValue(QDBusVariant(value)));
    }

    void setScreenSaver(bool active)
    {
        QDBusInterface("org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", sessionBus()).call("SetActive", active);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_xvfb.start("800x600x24"), qPrintable(m_xvfb.error()));
        QVERIFY2(m_system.start(), qPrintable(m_system.error()));
        QVERIFY2(m_session.start(), qPrintable(m_session.error()));
        QVERIFY2(m_system.startMock("logind", "org.freedesktop.login1"), qPrintable(m_system.error()));
        QVERIFY2(m_session.startMock("gnome_screensaver", "org.gnome.ScreenSaver"), qPrintable(m_session.error()));
        QVERIFY2(m_session.startMock("notification_daemon", "org.freedesktop.Notifications",
                                     m_home.path() + "/notify.log"),
                 qPrintable(m_session.error()));
        QCOMPARE(logindMock().call("AddSession", "c2", "seat0", uint(::getuid()), "tester", true).type(),
                 QDBusMessage::ReplyMessage);
        qputenv("XDG_SESSION_ID", "c2");
    }

    // The five lock tests, one at a time.
    void lockTest()
    {
        LinuxSessionState gates(systemBus(), sessionBus(), m_home.log());
        QVERIFY(!gates.isScreenLocked());

        setSession("LockedHint", true);
        QVERIFY(gates.isScreenLocked());
        setSession("LockedHint", false);

        setSession("Active", false);  // switched to another user
        QVERIFY(gates.isScreenLocked());
        setSession("Active", true);
        QVERIFY(!gates.isScreenLocked());

        setScreenSaver(true);
        QVERIFY(gates.isScreenLocked());
        setScreenSaver(false);
        QVERIFY(!gates.isScreenLocked());

        // Xvfb has no DPMS: display power is unknown, which never counts as locked.
        QCOMPARE(gates.lockFacts().allDisplaysOff, std::nullopt);

        qputenv("XDG_SESSION_ID", "c404");  // logind answers: no such session
        LinuxSessionState gone(systemBus(), sessionBus(), m_home.log());
        QVERIFY(gone.isScreenLocked());
        qputenv("XDG_SESSION_ID", "c2");
    }

    // No logind at all: said once in the log, and the machine is not locked forever.
    void withoutLogind()
    {
        PrivateBus empty(PrivateBus::Kind::System);
        QVERIFY2(empty.start(), qPrintable(empty.error()));
        EventLogWatcher log(m_home.log());
        LinuxSessionState gates(QDBusConnection::connectToBus(empty.address(), "empty"), sessionBus(), m_home.log());
        for (int i = 0; i < 5; ++i)
            QVERIFY(!gates.isScreenLocked());
        QCOMPARE(log.count("systemd-logind isn't running"), 1);
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_system.address().toLocal8Bit());
    }

    void idleTimeFollowsInput()
    {
        LinuxSessionState gates(systemBus(), sessionBus(), m_home.log());
        QCOMPARE(m_xvfb.run("xdotool", {"mousemove", "10", "10"}), 0);
        QTRY_VERIFY(gates.secondsSinceLastInput() >= 1.0);
        QVERIFY(gates.secondsSinceLastInput() < 30);
        QCOMPARE(m_xvfb.run("xdotool", {"mousemove", "50", "50"}), 0);
        QTRY_VERIFY(gates.secondsSinceLastInput() < 1.0);
    }

    void frontmostApplication()
    {
        HelperProcess openbox;
        openbox.start("openbox", {});
        QVERIFY2(openbox.waitForStarted(), "openbox did not start (Debian package openbox)");
        X11TestDesk desk;
        QVERIFY(desk.isConnected());
        const xcb_window_t terminal = desk.show({QRect(0, 0, 200, 200), 0x00ff00, "org.gnome.Terminal",
                                                 QByteArray("gnome-terminal\0Gnome-terminal", 29), {}, false});
        const xcb_window_t vault = desk.show({QRect(100, 100, 200, 200), 0xff0000, {},
                                              QByteArray("keepassxc\0KeePassXC", 20), {}, false});
        QVERIFY(desk.waitForFrames());
        LinuxSessionState gates(systemBus(), sessionBus(), m_home.log());
        for (const auto& [window, id] : {std::pair{terminal, QString("org.gnome.Terminal")}, std::pair{vault, QString("KeePassXC")}}) {
            QCOMPARE(m_xvfb.run("xdotool", {"windowactivate", QString::number(window)}), 0);
            QTRY_COMPARE(gates.frontmostAppId(), std::optional<QString>(id));
        }
    }

    void sleepSignalAndInhibitor()
    {
        LogindClient logind(systemBus());
        QVERIFY(logind.isWatchingSleep());
        QSignalSpy spy(&logind, &LogindClient::prepareForSleep);
        logind.sessionFacts();  // a round trip, so the bus has our signal match before the mock emits
        for (bool sleeping : {true, false}) {
            const QDBusMessage emitted = logindMock().call("EmitSignal", "org.freedesktop.login1.Manager",
                                                           "PrepareForSleep", "b", QVariantList{sleeping});
            QVERIFY2(emitted.type() == QDBusMessage::ReplyMessage, qPrintable(emitted.errorMessage()));
        }
        QTRY_COMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toBool(), true);
        QCOMPARE(spy.at(1).at(0).toBool(), false);
        QVERIFY(logind.inhibitSleepDelay("Writing a screenshot").isOpen());
    }

    void notificationsArePosted()
    {
        DesktopNotifier notifier(sessionBus());
        notifier.notify("Momentra", "Screenshot capture failed: disk full");
        QTRY_VERIFY([this] {
            QFile log(m_home.path() + "/notify.log");
            return log.open(QIODevice::ReadOnly) && log.readAll().contains("Screenshot capture failed: disk full");
        }());
    }
};

QTEST_GUILESS_MAIN(TestLinuxSessionState)
#include "tst_LinuxSessionState.moc"
