#include "platform/linux/shortcuts/KGlobalAccelHotKeyService.h"

#include "core/log/EventLog.h"
#include "platform/linux/shortcuts/ShortcutNotation.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>

namespace {

const QString kService = QLatin1String(KGlobalAccelHotKeyService::kServiceName);
const QString kPath = QStringLiteral("/kglobalaccel");
const QString kInterface = QStringLiteral("org.kde.KGlobalAccel");
const QString kComponentInterface = QStringLiteral("org.kde.kglobalaccel.Component");
constexpr uint kSetPresent = 2;
constexpr uint kNoAutoloading = 4;
constexpr int kCallTimeoutMs = 5000;

}  // namespace

KGlobalAccelHotKeyService::KGlobalAccelHotKeyService(QDBusConnection bus, EventLog& log, QObject* parent)
    : DesktopHotKeyService(parent)
    , m_bus(std::move(bus))
    , m_log(log)
{
    qDBusRegisterMetaType<QList<int>>();
}

// Component, action, and their names as KDE's settings show them.
QStringList KGlobalAccelHotKeyService::actionId(const Identifier& identifier)
{
    return {QString::fromLatin1(kComponent), bindingName(identifier), QStringLiteral("Momentra"),
            tr("Start or stop taking screenshots")};
}

Result<void> KGlobalAccelHotKeyService::listenToComponent()
{
    if (m_listening)
        return Result<void>::success();
    QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("getComponent"));
    get.setArguments({QString::fromLatin1(kComponent)});
    const QDBusMessage reply = m_bus.call(get, QDBus::Block, kCallTimeoutMs);
    const QString path = reply.arguments().value(0).value<QDBusObjectPath>().path();
    if (reply.type() != QDBusMessage::ReplyMessage || path.isEmpty())
        return Result<void>::failure(tr("KDE's global shortcuts did not answer (%1).").arg(reply.errorMessage()));
    m_bus.connect(kService, path, kComponentInterface, QStringLiteral("globalShortcutPressed"), this,
                  SLOT(onPressed(QString, QString, qlonglong)));
    m_bus.connect(kService, path, kComponentInterface, QStringLiteral("globalShortcutReleased"), this,
                  SLOT(onReleased(QString, QString, qlonglong)));
    m_listening = true;
    return Result<void>::success();
}

Result<HotKeyService::Handle> KGlobalAccelHotKeyService::registerHotKey(int keyCode, int modifiers,
                                                                        Identifier identifier)
{
    using R = Result<Handle>;
    const KeyboardShortcuts::Shortcut shortcut{keyCode, modifiers};
    const auto combination = ShortcutNotation::qtKeyCombination(shortcut);
    if (!combination)
        return R::failure(tr("This key can't be named to the desktop."));
    const QStringList action = actionId(identifier);
    QDBusMessage doRegister = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("doRegister"));
    doRegister.setArguments({action});
    if (const QDBusMessage reply = m_bus.call(doRegister, QDBus::Block, kCallTimeoutMs);
        reply.type() != QDBusMessage::ReplyMessage)
        return R::failure(tr("KDE's global shortcuts did not answer (%1).").arg(reply.errorMessage()));
    // Ours, not what KDE remembers from an earlier run: the recorder is where it changes.
    QDBusMessage set = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("setShortcut"));
    set.setArguments({action, QVariant::fromValue(QList<int>{*combination}), kSetPresent | kNoAutoloading});
    const QDBusMessage reply = m_bus.call(set, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return R::failure(tr("KDE's global shortcuts did not answer (%1).").arg(reply.errorMessage()));
    const QList<int> given = qdbus_cast<QList<int>>(reply.arguments().value(0));
    if (!given.contains(*combination)) {
        m_log.log(QStringLiteral("KDE's global shortcuts did not give %1 to %2: another action holds it")
                      .arg(shortcut.words(), action.value(1)),
                  EventLog::kApp);
        return R::failure(tr("Another action in KDE's shortcuts holds it."));
    }
    if (const auto listening = listenToComponent(); !listening)
        return R::failure(listening.error());
    return add({identifier, keyCode, modifiers});
}

void KGlobalAccelHotKeyService::unregisterHotKey(Handle handle)
{
    const auto registration = take(handle);
    if (!registration)
        return;
    QDBusMessage inactive = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("setInactive"));
    inactive.setArguments({actionId(registration->identifier)});
    m_bus.call(inactive, QDBus::Block, kCallTimeoutMs);
}

void KGlobalAccelHotKeyService::onPressed(const QString& component, const QString& action, qlonglong)
{
    if (component == QLatin1String(kComponent))
        deliver(EventKind::pressed, action);
}

void KGlobalAccelHotKeyService::onReleased(const QString& component, const QString& action, qlonglong)
{
    if (component == QLatin1String(kComponent))
        deliver(EventKind::released, action);
}
