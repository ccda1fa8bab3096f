#include "support/PrivateBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

namespace {
const QString kPython = QStringLiteral("/usr/bin/python3");
}

PrivateBus::PrivateBus(Kind kind)
    : m_kind(kind)
{
}

PrivateBus::~PrivateBus()
{
    stopMocks();
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(3000))
            m_daemon.kill();
        m_daemon.waitForFinished(2000);
    }
    QDBusConnection::disconnectFromBus(m_address);
}

bool PrivateBus::start()
{
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) {
        m_error = QStringLiteral("dbus-daemon is not installed (Debian package dbus)");
        return false;
    }
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(5000) || !m_daemon.waitForReadyRead(10000)) {
        m_error = QStringLiteral("dbus-daemon did not start");
        return false;
    }
    m_address = QString::fromLocal8Bit(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty()) {
        m_error = QStringLiteral("dbus-daemon printed no address");
        return false;
    }
    qputenv(m_kind == Kind::Session ? "DBUS_SESSION_BUS_ADDRESS" : "DBUS_SYSTEM_BUS_ADDRESS", m_address.toLocal8Bit());
    return true;
}

bool PrivateBus::startMock(const QString& templateName, const QString& busName, const QString& parametersJson,
                           const QString& logFile)
{
    if (!QFileInfo::exists(kPython)) {
        m_error = QStringLiteral("Debian's python3 is not installed (Debian package python3)");
        return false;
    }
    auto mock = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(m_kind == Kind::Session ? QStringLiteral("DBUS_SESSION_BUS_ADDRESS")
                                       : QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
               m_address);
    mock->setProcessEnvironment(env);
    mock->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments{QStringLiteral("-m"), QStringLiteral("dbusmock"),
                          m_kind == Kind::System ? QStringLiteral("--system") : QStringLiteral("--session"),
                          QStringLiteral("--template"), templateName};
    if (!parametersJson.isEmpty())
        arguments << QStringLiteral("--parameters") << parametersJson;
    if (!logFile.isEmpty())
        arguments << QStringLiteral("--logfile") << logFile;
    mock->start(kPython, arguments);
    if (!mock->waitForStarted(5000)) {
        m_error = QStringLiteral("python3 -m dbusmock did not start");
        return false;
    }
    m_mocks.push_back(std::move(mock));
    if (!waitForName(busName, 15000)) {
        m_error = QStringLiteral("the %1 mock never appeared on the bus (Debian package python3-dbusmock)")
                      .arg(templateName);
        return false;
    }
    return true;
}

void PrivateBus::stopMocks()
{
    for (auto& mock : m_mocks) {
        mock->terminate();
        if (!mock->waitForFinished(3000))
            mock->kill();
        mock->waitForFinished(2000);
    }
    m_mocks.clear();
}

bool PrivateBus::waitForName(const QString& busName, int timeoutMs)
{
    QDBusConnection bus = QDBusConnection::connectToBus(m_address, m_address);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (bus.isConnected() && bus.interface()->isServiceRegistered(busName))
            return true;
        if (m_mocks.back()->state() == QProcess::NotRunning)
            return false;
        QThread::msleep(50);
    }
    return false;
}
