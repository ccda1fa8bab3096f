#pragma once

#include "support/HelperProcess.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>

#include <memory>
#include <vector>

// A private D-Bus daemon for one test, standing in for the session or the system bus, with
// python3-dbusmock services on it. Nothing reaches the machine's real buses. Failures name the
// Debian package.
class PrivateBus
{
public:
    enum class Kind { Session, System };

    explicit PrivateBus(Kind kind)
        : m_kind(kind)
    {
    }
    ~PrivateBus() { QDBusConnection::disconnectFromBus(m_address); }

    // Starts dbus-daemon and points DBUS_SESSION_BUS_ADDRESS or DBUS_SYSTEM_BUS_ADDRESS at it.
    bool start()
    {
        m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (m_daemon.waitForStarted(5000) && m_daemon.waitForReadyRead(10000))
            m_address = QString::fromLocal8Bit(m_daemon.readLine()).trimmed();
        m_error = m_address.isEmpty() ? "dbus-daemon did not start (Debian package dbus)" : "";
        qputenv(variable(), m_address.toLocal8Bit());
        return !m_address.isEmpty();
    }
    QString address() const { return m_address; }
    QString error() const { return m_error; }

    // Starts `python3 -m dbusmock --template NAME` on this bus and waits until it owns busName.
    // The mock writes one line per method call to logFile when one is given.
    bool startMock(const QString& templateName, const QString& busName, const QString& logFile = {})
    {
        QProcess& mock = *m_mocks.emplace_back(std::make_unique<HelperProcess>());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(variable(), m_address);
        mock.setProcessEnvironment(env);
        mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList arguments{"-m", "dbusmock", m_kind == Kind::System ? "--system" : "--session", "--template",
                              templateName};
        if (!logFile.isEmpty())
            arguments << "--logfile" << logFile;
        mock.start("/usr/bin/python3", arguments);  // Debian's, which has the dbusmock module
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, m_address);
        if (mock.waitForStarted(5000)
            && QTest::qWaitFor(
                [&] {
                    return mock.state() == QProcess::NotRunning
                           || (bus.isConnected() && bus.interface()->isServiceRegistered(busName));
                },
                15000)
            && mock.state() != QProcess::NotRunning)
            return true;
        m_error = QString("the %1 mock never appeared on the bus (Debian packages python3, python3-dbusmock)")
                      .arg(templateName);
        return false;
    }

private:
    const char* variable() const
    {
        return m_kind == Kind::Session ? "DBUS_SESSION_BUS_ADDRESS" : "DBUS_SYSTEM_BUS_ADDRESS";
    }

    Kind m_kind;
    HelperProcess m_daemon;
    std::vector<std::unique_ptr<HelperProcess>> m_mocks;  // stopped before the daemon
    QString m_address;
    QString m_error;
};
