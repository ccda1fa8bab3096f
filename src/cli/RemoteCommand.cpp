#include "cli/RemoteCommand.h"

#include "app/RemoteControl.h"
#include "cli/Console.h"

#include <QDBusConnection>
#include <QDBusMessage>

Command RemoteCommand::toggle()
{
    return {QStringLiteral("toggle"), QStringLiteral("toggle"),
            QStringLiteral("start or stop capture in the running Momentra (bind it to a key on desktops "
                           "without global shortcuts)"),
            [](AppRoot&, const QStringList& a) { return call(QStringLiteral("Toggle"), a); }};
}

Command RemoteCommand::start()
{
    return {QStringLiteral("start"), QStringLiteral("start"), QStringLiteral("start capture in the running Momentra"),
            [](AppRoot&, const QStringList& a) { return call(QStringLiteral("Start"), a); }};
}

Command RemoteCommand::stop()
{
    return {QStringLiteral("stop"), QStringLiteral("stop"), QStringLiteral("stop capture in the running Momentra"),
            [](AppRoot&, const QStringList& a) { return call(QStringLiteral("Stop"), a); }};
}

int RemoteCommand::call(const QString& method, const QStringList& arguments)
{
    if (!arguments.isEmpty())
        return Console::usageError(method.toLower() + QStringLiteral(" takes no arguments"));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Console::failure(QStringLiteral("no D-Bus session bus, so no running Momentra can be reached"));
    QDBusMessage message = QDBusMessage::createMethodCall(QLatin1String(RemoteControl::kServiceName),
                                                          QLatin1String(RemoteControl::kObjectPath),
                                                          QLatin1String(RemoteControl::kServiceName), method);
    message.setAutoStartService(false);
    const QDBusMessage reply = bus.call(message, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return Console::failure(QStringLiteral("Momentra isn't running (start it with: momentra run)"));
    return 0;
}
