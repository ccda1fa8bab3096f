#include "platform/linux/wayland/PortalScreenCast.h"

#include "platform/linux/portal/PortalRequest.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QRandomGenerator>

#include <fcntl.h>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.ScreenCast");
const QString kSessionInterface = QStringLiteral("org.freedesktop.portal.Session");

QPoint pointFrom(const QVariant& value)
{
    int x = 0, y = 0;
    const auto argument = value.value<QDBusArgument>();
    argument.beginStructure();
    argument >> x >> y;
    argument.endStructure();
    return {x, y};
}

}  // namespace

PortalScreenCast::PortalScreenCast(QDBusConnection bus)
    : m_bus(std::move(bus))
{
}

uint PortalScreenCast::cursorMode(bool showsCursor, uint available)
{
    const uint wanted = showsCursor ? kCursorEmbedded : kCursorHidden;
    if (available & wanted)
        return wanted;
    const uint other = showsCursor ? kCursorHidden : kCursorEmbedded;
    return (available & other) ? other : wanted;
}

QList<PortalScreenCast::Stream> PortalScreenCast::parseStreams(const QVariant& streams)
{
    QList<Stream> parsed;
    const auto argument = streams.value<QDBusArgument>();
    if (argument.currentType() != QDBusArgument::ArrayType)
        return parsed;
    argument.beginArray();
    while (!argument.atEnd()) {
        Stream stream;
        QVariantMap properties;
        argument.beginStructure();
        argument >> stream.nodeId >> properties;
        argument.endStructure();
        stream.position = pointFrom(properties.value(QStringLiteral("position")));
        const QPoint size = pointFrom(properties.value(QStringLiteral("size")));
        stream.size = QSize(size.x(), size.y());
        parsed << stream;
    }
    argument.endArray();
    return parsed;
}

uint PortalScreenCast::availableCursorModes()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call.setArguments({kInterface, QStringLiteral("AvailableCursorModes")});
    const QDBusMessage reply = m_bus.call(call);
    return reply.arguments().value(0).value<QDBusVariant>().variant().toUInt();
}

PortalScreenCast::Started PortalScreenCast::refusedOrFailed(uint response, const QString& step, const QString& handle,
                                                            bool withToken)
{
    close(handle);
    if (response == 1)
        return {Outcome::Refused, std::nullopt, QStringLiteral("the screen sharing was not allowed")};
    // A start that fails with a token is the desktop not taking it back.
    return {withToken ? Outcome::Refused : Outcome::Failed, std::nullopt,
            QStringLiteral("the screen-cast portal ended the session at %1").arg(step)};
}

PortalScreenCast::Started PortalScreenCast::start(bool showsCursor, const std::optional<QString>& restoreToken)
{
    const QString sessionToken = QStringLiteral("momentra%1").arg(QRandomGenerator::global()->generate());
    const auto created = PortalRequest::run(m_bus, kInterface, QStringLiteral("CreateSession"), {},
                                            {{QStringLiteral("session_handle_token"), sessionToken}}, kAnswerTimeout);
    if (!created)
        return {Outcome::Failed, std::nullopt, created.error()};
    const QString handle = created->results.value(QStringLiteral("session_handle")).toString();
    if (created->response != 0 || handle.isEmpty())
        return refusedOrFailed(created->response, QStringLiteral("CreateSession"), handle, false);

    QVariantMap options{
        {QStringLiteral("types"), kSourceMonitor},
        {QStringLiteral("multiple"), true},
        {QStringLiteral("cursor_mode"), cursorMode(showsCursor, availableCursorModes())},
        {QStringLiteral("persist_mode"), kPersistUntilRevoked},
    };
    if (restoreToken)
        options.insert(QStringLiteral("restore_token"), *restoreToken);
    const QVariantList session{QVariant::fromValue(QDBusObjectPath(handle))};
    const auto selected = PortalRequest::run(m_bus, kInterface, QStringLiteral("SelectSources"), session, options,
                                             kAnswerTimeout);
    if (!selected) {
        close(handle);
        return {restoreToken ? Outcome::Refused : Outcome::Failed, std::nullopt, selected.error()};
    }
    if (selected->response != 0)
        return refusedOrFailed(selected->response, QStringLiteral("SelectSources"), handle, bool(restoreToken));

    const auto started = PortalRequest::run(m_bus, kInterface, QStringLiteral("Start"),
                                            session + QVariantList{QString()}, {}, kAnswerTimeout);
    if (!started) {
        close(handle);
        return {Outcome::Failed, std::nullopt, started.error()};
    }
    if (started->response != 0)
        return refusedOrFailed(started->response, QStringLiteral("Start"), handle, bool(restoreToken));

    Session result;
    result.handle = handle;
    result.showsCursor = showsCursor;
    result.streams = parseStreams(started->results.value(QStringLiteral("streams")));
    const QString token = started->results.value(QStringLiteral("restore_token")).toString();
    if (!token.isEmpty())
        result.restoreToken = token;

    QDBusMessage open = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       QStringLiteral("OpenPipeWireRemote"));
    open.setArguments(session + QVariantList{QVariantMap()});
    const QDBusMessage reply = m_bus.call(open);
    const auto fd = reply.arguments().value(0).value<QDBusUnixFileDescriptor>();
    if (reply.type() == QDBusMessage::ErrorMessage || !fd.isValid()) {
        close(handle);
        return {
            Outcome::Failed, std::nullopt,
            QStringLiteral("the screen-cast portal handed out no PipeWire connection (%1)").arg(reply.errorMessage())};
    }
    result.pipeWire = FileDescriptor(fcntl(fd.fileDescriptor(), F_DUPFD_CLOEXEC, 3));
    if (result.streams.isEmpty()) {
        close(handle);
        return {Outcome::Failed, std::nullopt, QStringLiteral("the screen-cast portal shared no display")};
    }
    return {Outcome::Started, std::move(result), {}};
}

void PortalScreenCast::close(const QString& handle)
{
    if (handle.isEmpty())
        return;
    m_bus.send(QDBusMessage::createMethodCall(kService, handle, kSessionInterface, QStringLiteral("Close")));
}
