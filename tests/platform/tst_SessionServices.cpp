#include "platform/linux/DesktopNotifier.h"
#include "platform/linux/LogindClient.h"
#include "support/PrivateBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The D-Bus clients the capture gates do not already exercise, against
// python3-dbusmock services on private buses.
class TestSessionServices : public QObject
{
    Q_OBJECT

    PrivateBus m_system{PrivateBus::Kind::System};
    PrivateBus m_session{PrivateBus::Kind::Session};
    QTemporaryDir m_dir;

    QDBusConnection systemBus() { return QDBusConnection::connectToBus(m_system.address(), "system"); }

    QDBusMessage callLogind(const QString& interface, const QString& method, const QVariantList& arguments)
    {
        QDBusMessage message =
            QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1", interface, method);
        message.setArguments(arguments);
        return systemBus().call(message);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_system.start(), qPrintable(m_system.error()));
        QVERIFY2(m_session.start(), qPrintable(m_session.error()));
        QVERIFY2(m_system.startMock("logind", "org.freedesktop.login1"), qPrintable(m_system.error()));
        QVERIFY2(m_session.startMock("notification_daemon", "org.freedesktop.Notifications", {},
                                     m_dir.filePath("notify.log")),
                 qPrintable(m_session.error()));
    }

    void sleepSignalAndInhibitor()
    {
        LogindClient logind(systemBus());
        QVERIFY(logind.isWatchingSleep());
        QSignalSpy spy(&logind, &LogindClient::prepareForSleep);
        logind.sessionFacts();  // a round trip, so the bus has our signal match before the mock emits
        for (bool sleeping : {true, false}) {
            const QDBusMessage emitted = callLogind("org.freedesktop.DBus.Mock", "EmitSignal",
                                                    {"org.freedesktop.login1.Manager", "PrepareForSleep", "b",
                                                     QVariantList{sleeping}});
            QVERIFY2(emitted.type() == QDBusMessage::ReplyMessage, qPrintable(emitted.errorMessage()));
        }
        QTRY_COMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toBool(), true);
        QCOMPARE(spy.at(1).at(0).toBool(), false);

        QVERIFY(logind.inhibitSleepDelay("Writing a screenshot").isOpen());
    }

    void notificationsArePosted()
    {
        DesktopNotifier notifier(QDBusConnection::connectToBus(m_session.address(), "session"));
        notifier.notify("Momentra", "Screenshot capture failed: disk full");
        QTRY_VERIFY_WITH_TIMEOUT([this] {
            QFile log(m_dir.filePath("notify.log"));
            return log.open(QIODevice::ReadOnly) && log.readAll().contains("Screenshot capture failed: disk full");
        }(), 5000);
    }
};

QTEST_GUILESS_MAIN(TestSessionServices)
#include "tst_SessionServices.moc"
