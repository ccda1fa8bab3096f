#include "app/RemoteControl.h"

#include "app/CaptureService.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

RemoteControl::RemoteControl(CaptureService& service, QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_service(service)
    , m_bus(std::move(bus))
{
}

RemoteControl::~RemoteControl()
{
    if (m_registered) {
        m_bus.unregisterObject(QLatin1String(kObjectPath));
        m_bus.unregisterService(QLatin1String(kServiceName));
    }
}

RemoteControl::Registration RemoteControl::registerOnBus()
{
    if (!m_bus.isConnected())
        return Registration::NoBus;
    const auto reply = m_bus.interface()->registerService(QLatin1String(kServiceName),
                                                          QDBusConnectionInterface::DontQueueService,
                                                          QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered)
        return Registration::AlreadyRunning;
    m_bus.registerObject(QLatin1String(kObjectPath), this, QDBusConnection::ExportAllSlots);
    m_registered = true;
    return Registration::Registered;
}

void RemoteControl::Toggle()
{
    m_service.toggle();
}

void RemoteControl::Start()
{
    if (!m_service.engine().isCapturing())
        m_service.start();
}

void RemoteControl::Stop()
{
    m_service.engine().stop();
}

bool RemoteControl::IsCapturing() const
{
    return m_service.engine().isCapturing();
}

void RemoteControl::Reopen()
{
    Q_EMIT reopenRequested();
}

bool RemoteControl::askRunningToReopen(QDBusConnection bus)
{
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(QLatin1String(kServiceName)))
        return false;
    QDBusMessage message = QDBusMessage::createMethodCall(QLatin1String(kServiceName), QLatin1String(kObjectPath),
                                                          QLatin1String(kServiceName), QStringLiteral("Reopen"));
    message.setAutoStartService(false);
    return bus.call(message, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}
