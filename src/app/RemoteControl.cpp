#include "app/RemoteControl.h"

#include "app/CaptureService.h"
#include "app/search/SearchComponent.h"

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
    // The object first: when D-Bus started this process for a call, the call arrives as soon as the name
    // is ours. Another instance keeps the name.
    m_bus.registerObject(QLatin1String(kObjectPath), this, QDBusConnection::ExportAllSlots);
    const auto reply = m_bus.interface()->registerService(QLatin1String(kServiceName),
                                                          QDBusConnectionInterface::DontQueueService,
                                                          QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        m_bus.unregisterObject(QLatin1String(kObjectPath));
        return Registration::AlreadyRunning;
    }
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

QString RemoteControl::Diagnostics(int days, int lines) const
{
    return m_diagnostics ? m_diagnostics(qMax(1, days), qMax(1, lines)) : QString();
}

void RemoteControl::ShowSearch(const QStringList& terms)
{
    Q_EMIT searchRequested(terms);
}

namespace {

std::optional<QDBusMessage> callRunning(QDBusConnection& bus, const QString& method, const QVariantList& arguments)
{
    const QLatin1String service(RemoteControl::kServiceName);
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(service))
        return std::nullopt;
    QDBusMessage message = QDBusMessage::createMethodCall(service, QLatin1String(RemoteControl::kObjectPath), service,
                                                          method);
    message.setArguments(arguments);
    message.setAutoStartService(false);
    const QDBusMessage reply = bus.call(message, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return std::nullopt;
    return reply;
}

}  // namespace

bool RemoteControl::askRunningToReopen(QDBusConnection bus)
{
    return callRunning(bus, QStringLiteral("Reopen"), {}).has_value();
}

std::optional<QString> RemoteControl::askRunningForDiagnostics(QDBusConnection bus, int days, int lines)
{
    const auto reply = callRunning(bus, QStringLiteral("Diagnostics"), {days, lines});
    if (!reply)
        return std::nullopt;
    const QString report = reply->arguments().value(0).toString();
    return report.isEmpty() ? std::nullopt : std::optional<QString>(report);
}

bool RemoteControl::askToShowSearch(QDBusConnection bus, const QStringList& terms)
{
    if (!bus.isConnected())
        return false;
    QDBusMessage message = QDBusMessage::createMethodCall(QLatin1String(SearchComponent::kServiceName),
                                                          QLatin1String(kObjectPath), QLatin1String(kServiceName),
                                                          QStringLiteral("ShowSearch"));
    message.setArguments({terms});
    return bus.call(message, QDBus::Block, 25000).type() == QDBusMessage::ReplyMessage;
}
