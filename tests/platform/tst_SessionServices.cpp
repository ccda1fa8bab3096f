#include "platform/linux/DesktopNotifier.h"
#include "platform/linux/LogindClient.h"
#include "platform/linux/ScreenSaverClient.h"
#include "support/PrivateBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// The real D-Bus clients against python3-dbusmock services on private buses.
class TestSessionServices : public QObject
{
    Q_OBJECT

    PrivateBus m_system{PrivateBus::Kind::System};
    PrivateBus m_session{PrivateBus::Kind::Session};
    QTemporaryDir m_dir;
    QString m_notifyLog;

    QDBusConnection systemBus() { return QDBusConnection::connectToBus(m_system.address(), QStringLiteral("system")); }
    QDBusConnection sessionBus() { return QDBusConnection::connectToBus(m_session.address(), QStringLiteral("session")); }

    QDBusMessage callMock(const QString& path, const QString& interface, const QString& method,
                          const QVariantList& arguments)
    {
        QDBusMessage message =
            QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"), path, interface, method);
        message.setArguments(arguments);
        return systemBus().call(message);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_system.start(), qPrintable(m_system.error()));
        QVERIFY2(m_session.start(), qPrintable(m_session.error()));
        QVERIFY2(m_system.startMock(QStringLiteral("logind"), QStringLiteral("org.freedesktop.login1")),
                 qPrintable(m_system.error()));
        m_notifyLog = m_dir.filePath(QStringLiteral("notify.log"));
        QVERIFY2(m_session.startMock(QStringLiteral("notification_daemon"),
                                     QStringLiteral("org.freedesktop.Notifications"), {}, m_notifyLog),
                 qPrintable(m_session.error()));
    }

    void sessionFactsFollowLogind()
    {
        const QDBusMessage added =
            callMock(QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.DBus.Mock"),
                     QStringLiteral("AddSession"),
                     {QStringLiteral("c7"), QStringLiteral("seat0"), uint(::getuid()), QStringLiteral("tester"), true});
        QCOMPARE(added.type(), QDBusMessage::ReplyMessage);
        qputenv("XDG_SESSION_ID", "c7");

        LogindClient logind(systemBus());
        LogindClient::SessionFacts facts = logind.sessionFacts();
        QCOMPARE(facts.presence, LogindClient::Presence::Present);
        QCOMPARE(facts.lockedHint, std::optional<bool>(false));
        QCOMPARE(facts.active, std::optional<bool>(true));
        // Changes of the hints are followed through the lock test of the capture gates.
    }

    void absentLogindIsNotAMissingSession()
    {
        qputenv("XDG_SESSION_ID", "c7");
        PrivateBus empty(PrivateBus::Kind::System);
        QVERIFY2(empty.start(), qPrintable(empty.error()));
        LogindClient logind(QDBusConnection::connectToBus(empty.address(), QStringLiteral("empty")));
        QCOMPARE(logind.sessionFacts().presence, LogindClient::Presence::LogindAbsent);
        QCOMPARE(logind.inhibitSleepDelay(QStringLiteral("test")), -1);
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_system.address().toLocal8Bit());
    }

    void sleepSignalAndInhibitor()
    {
        LogindClient logind(systemBus());
        QVERIFY(logind.isWatchingSleep());
        QSignalSpy spy(&logind, &LogindClient::prepareForSleep);
        logind.sessionFacts();  // a round trip, so the bus has our signal match before the mock emits
        for (bool sleeping : {true, false}) {
            const QDBusMessage emitted = callMock(
                QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.DBus.Mock"),
                QStringLiteral("EmitSignal"),
                {QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                 QStringLiteral("b"), QVariantList{sleeping}});
            QVERIFY2(emitted.type() == QDBusMessage::ReplyMessage, qPrintable(emitted.errorMessage()));
        }
        QTRY_COMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toBool(), true);
        QCOMPARE(spy.at(1).at(0).toBool(), false);

        const int fd = logind.inhibitSleepDelay(QStringLiteral("Writing a screenshot"));
        QVERIFY(fd >= 0);
        const QDBusMessage list = callMock(QStringLiteral("/org/freedesktop/login1"),
                                           QStringLiteral("org.freedesktop.login1.Manager"),
                                           QStringLiteral("ListInhibitors"), {});
        QCOMPARE(list.type(), QDBusMessage::ReplyMessage);
        QVERIFY(list.arguments().size() == 1);
        ::close(fd);
    }

    void screenSaverState()
    {
        ScreenSaverClient saver(sessionBus());
        QVERIFY(!saver.isActive());  // no screen saver service at all: an active one is tested with the gates
    }

    void notificationsArePosted()
    {
        DesktopNotifier notifier(sessionBus());
        notifier.notify(QStringLiteral("Momentra"), QStringLiteral("Screenshot capture failed: disk full"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_notifyLog), 5000);
        auto posted = [this] {
            QFile log(m_notifyLog);
            return log.open(QIODevice::ReadOnly) && log.readAll().contains("Screenshot capture failed: disk full");
        };
        QTRY_VERIFY_WITH_TIMEOUT(posted(), 5000);
        // Without a notification service nothing breaks.
        PrivateBus empty(PrivateBus::Kind::Session);
        QVERIFY(empty.start());
        DesktopNotifier silent(QDBusConnection::connectToBus(empty.address(), QStringLiteral("silent")));
        silent.notify(QStringLiteral("Momentra"), QStringLiteral("nobody listens"));
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_session.address().toLocal8Bit());
    }
};

QTEST_GUILESS_MAIN(TestSessionServices)
#include "tst_SessionServices.moc"
