#include "support/PrivateBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

PrivateBus::~PrivateBus()
{
    m_mocks.clear();
    m_daemon.stop();
    QDBusConnection::disconnectFromBus(m_address);
}

bool PrivateBus::fail(const QString& error)
{
    m_error = error;
    return false;
}

bool PrivateBus::start()
{
    if (QStandardPaths::findExecutable("dbus-daemon").isEmpty())
        return fail("dbus-daemon is not installed (Debian package dbus)");
    m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    if (!m_daemon.waitForStarted(5000) || !m_daemon.waitForReadyRead(10000))
        return fail("dbus-daemon did not start");
    m_address = QString::fromLocal8Bit(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty())
        return fail("dbus-daemon printed no address");
    qputenv(variable(), m_address.toLocal8Bit());
    return true;
}

bool PrivateBus::startMock(const QString& templateName, const QString& busName, const QString& parametersJson,
                           const QString& logFile)
{
    const QString python = "/usr/bin/python3";
    if (!QFileInfo::exists(python))
        return fail("Debian's python3 is not installed (Debian package python3)");
    QProcess& mock = *m_mocks.emplace_back(std::make_unique<HelperProcess>());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(variable(), m_address);
    mock.setProcessEnvironment(env);
    mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments{"-m", "dbusmock", m_kind == Kind::System ? "--system" : "--session", "--template", templateName};
    if (!parametersJson.isEmpty())
        arguments << "--parameters" << parametersJson;
    if (!logFile.isEmpty())
        arguments << "--logfile" << logFile;
    mock.start(python, arguments);
    if (!mock.waitForStarted(5000))
        return fail("python3 -m dbusmock did not start");
    QDBusConnection bus = QDBusConnection::connectToBus(m_address, m_address);
    if (QTest::qWaitFor([&] {
            return mock.state() == QProcess::NotRunning
                   || (bus.isConnected() && bus.interface()->isServiceRegistered(busName));
        }, 15000) && mock.state() != QProcess::NotRunning)
        return true;
    return fail(QString("the %1 mock never appeared on the bus (Debian package python3-dbusmock)").arg(templateName));
}
