#include "support/PrivateBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>

PrivateBus::~PrivateBus()
{
    m_mocks.clear();
    m_daemon.stop();
    QDBusConnection::disconnectFromBus(m_address);
}

bool PrivateBus::start()
{
    m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    if (m_daemon.waitForStarted(5000) && m_daemon.waitForReadyRead(10000))
        m_address = QString::fromLocal8Bit(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty()) {
        m_error = "dbus-daemon did not start (Debian package dbus)";
        return false;
    }
    qputenv(variable(), m_address.toLocal8Bit());
    return true;
}

bool PrivateBus::startMock(const QString& templateName, const QString& busName, const QString& logFile)
{
    QProcess& mock = *m_mocks.emplace_back(std::make_unique<HelperProcess>());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(variable(), m_address);
    mock.setProcessEnvironment(env);
    mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments{"-m", "dbusmock", m_kind == Kind::System ? "--system" : "--session", "--template", templateName};
    if (!logFile.isEmpty())
        arguments << "--logfile" << logFile;
    mock.start("/usr/bin/python3", arguments);  // Debian's, which has the dbusmock module
    QDBusConnection bus = QDBusConnection::connectToBus(m_address, m_address);
    if (mock.waitForStarted(5000) && QTest::qWaitFor([&] {
            return mock.state() == QProcess::NotRunning
                   || (bus.isConnected() && bus.interface()->isServiceRegistered(busName));
        }, 15000) && mock.state() != QProcess::NotRunning)
        return true;
    m_error = QString("the %1 mock never appeared on the bus (Debian packages python3, python3-dbusmock)").arg(templateName);
    return false;
}
