#include "platform/linux/LogindClient.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QVariantMap>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kUser = QStringLiteral("org.freedesktop.login1.User");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr int kTimeoutMs = 1000;

bool meansLogindAbsent(const QString& errorName)
{
    return errorName == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
           || errorName == QLatin1String("org.freedesktop.DBus.Error.NoServer")
           || errorName == QLatin1String("org.freedesktop.DBus.Error.NoReply")
           || errorName == QLatin1String("org.freedesktop.DBus.Error.Disconnected")
           || errorName == QLatin1String("org.freedesktop.DBus.Error.Timeout")
           || errorName == QLatin1String("org.freedesktop.DBus.Error.TimedOut")
           || errorName == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
}

bool meansNoSuchSession(const QString& errorName)
{
    return errorName == QLatin1String("org.freedesktop.login1.NoSuchSession")
           || errorName == QLatin1String("org.freedesktop.DBus.Error.UnknownObject")
           || errorName == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface")
           || errorName == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod");
}

QDBusMessage call(QDBusConnection& bus, const QString& path, const QString& interface, const QString& method,
                  const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(arguments);
    message.setAutoStartService(false);
    return bus.call(message, QDBus::Block, kTimeoutMs);
}

QVariantMap sessionProperties(QDBusConnection& bus, const QString& path, QString* errorName)
{
    const QDBusMessage reply = call(bus, path, kProperties, QStringLiteral("GetAll"), {kSession});
    if (reply.type() != QDBusMessage::ReplyMessage) {
        *errorName = reply.errorName();
        return {};
    }
    return qdbus_cast<QVariantMap>(reply.arguments().value(0));
}

std::optional<bool> boolean(const QVariantMap& properties, const char* name)
{
    const QVariant value = properties.value(QLatin1String(name));
    if (value.typeId() != QMetaType::Bool)
        return std::nullopt;
    return value.toBool();
}

}  // namespace

LogindClient::LogindClient(QDBusConnection systemBus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(systemBus))
{
    if (m_bus.isConnected()) {
        m_watchingSleep = m_bus.connect(kService, kManagerPath, kManager, QStringLiteral("PrepareForSleep"), this,
                                        SLOT(onPrepareForSleep(bool)));
    }
}

void LogindClient::onPrepareForSleep(bool sleeping)
{
    Q_EMIT prepareForSleep(sleeping);
}

QString LogindClient::sessionPathFromManager(const QString& method, const QVariant& argument, QString* errorName)
{
    const QDBusMessage reply = call(m_bus, kManagerPath, kManager, method, {argument});
    if (reply.type() != QDBusMessage::ReplyMessage) {
        *errorName = reply.errorName();
        return {};
    }
    return qdbus_cast<QDBusObjectPath>(reply.arguments().value(0)).path();
}

// A user's graphical session, for processes started outside any session
// (a systemd user service, for example).
QString LogindClient::displaySessionOfUser(QString* errorName)
{
    const QString userPath = sessionPathFromManager(QStringLiteral("GetUser"), QVariant::fromValue(uint(::getuid())),
                                                    errorName);
    if (userPath.isEmpty())
        return {};
    const QDBusMessage reply = call(m_bus, userPath, kProperties, QStringLiteral("Get"),
                                    {kUser, QStringLiteral("Display")});
    if (reply.type() != QDBusMessage::ReplyMessage) {
        *errorName = reply.errorName();
        return {};
    }
    const QDBusArgument argument =
        qdbus_cast<QDBusVariant>(reply.arguments().value(0)).variant().value<QDBusArgument>();
    QString id;
    QDBusObjectPath path;
    argument.beginStructure();
    argument >> id >> path;
    argument.endStructure();
    return id.isEmpty() ? QString() : path.path();
}

QString LogindClient::resolveSessionPath(Presence* presence)
{
    QString errorName;
    const QString sessionId = qEnvironmentVariable("XDG_SESSION_ID");
    QString path;
    if (!sessionId.isEmpty()) {
        path = sessionPathFromManager(QStringLiteral("GetSession"), sessionId, &errorName);
        if (path.isEmpty()) {
            *presence = meansLogindAbsent(errorName) ? Presence::LogindAbsent : Presence::Missing;
            return {};
        }
        return path;
    }
    path = sessionPathFromManager(QStringLiteral("GetSessionByPID"), QVariant::fromValue(uint(::getpid())), &errorName);
    if (path.isEmpty() && !meansLogindAbsent(errorName))
        path = displaySessionOfUser(&errorName);
    if (path.isEmpty())
        *presence = meansLogindAbsent(errorName) ? Presence::LogindAbsent : Presence::Unidentified;
    return path;
}

LogindClient::SessionFacts LogindClient::sessionFacts()
{
    SessionFacts facts;
    if (!m_bus.isConnected())
        return facts;  // no system bus at all: logind absent
    if (m_sessionPath.isEmpty()) {
        facts.presence = Presence::Present;
        m_sessionPath = resolveSessionPath(&facts.presence);
        if (m_sessionPath.isEmpty())
            return facts;
    }
    QString errorName;
    const QVariantMap properties = sessionProperties(m_bus, m_sessionPath, &errorName);
    if (!errorName.isEmpty()) {
        m_sessionPath.clear();  // find it again next time
        facts.presence = meansLogindAbsent(errorName)    ? Presence::LogindAbsent
                         : meansNoSuchSession(errorName) ? Presence::Missing
                                                         : Presence::Unidentified;
        return facts;
    }
    facts.presence = Presence::Present;
    facts.lockedHint = boolean(properties, "LockedHint");
    facts.active = boolean(properties, "Active");
    facts.idleHint = boolean(properties, "IdleHint");
    facts.idleSinceMonotonicUs = properties.value(QStringLiteral("IdleSinceHintMonotonic")).toULongLong();
    return facts;
}

FileDescriptor LogindClient::inhibitSleepDelay(const QString& why)
{
    if (!m_bus.isConnected())
        return FileDescriptor();
    const QDBusMessage reply = call(
        m_bus, kManagerPath, kManager, QStringLiteral("Inhibit"),
        {QStringLiteral("sleep"), QStringLiteral("Momentra"), why, QStringLiteral("delay")});
    if (reply.type() != QDBusMessage::ReplyMessage)
        return FileDescriptor();
    const QDBusUnixFileDescriptor descriptor = qdbus_cast<QDBusUnixFileDescriptor>(reply.arguments().value(0));
    if (!descriptor.isValid())
        return FileDescriptor();
    return FileDescriptor(::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 0));
}
