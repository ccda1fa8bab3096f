#include "platform/linux/shortcuts/PortalHotKeyService.h"

#include "core/log/EventLog.h"
#include "platform/linux/portal/PortalRequest.h"
#include "platform/linux/shortcuts/PortalShortcut.h"
#include "platform/linux/shortcuts/ShortcutNotation.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QRandomGenerator>
#include <QTimer>

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

}  // namespace

PortalHotKeyService::PortalHotKeyService(QDBusConnection bus, EventLog& log, QObject* parent)
    : DesktopHotKeyService(parent)
    , m_bus(std::move(bus))
    , m_log(log)
{
    PortalShortcut::registerMetaTypes();
    // Taken whole: the arguments are read by position (session, shortcut id, timestamp, options).
    m_bus.connect(kPortalService, kPortalPath, kInterface, QStringLiteral("Activated"), this,
                  SLOT(onActivated(QDBusMessage)));
    m_bus.connect(kPortalService, kPortalPath, kInterface, QStringLiteral("Deactivated"), this,
                  SLOT(onDeactivated(QDBusMessage)));
}

bool PortalHotKeyService::isOffered(QDBusConnection bus, bool start)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        kPortalService, kPortalPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get.setArguments({kInterface, QStringLiteral("version")});
    get.setAutoStartService(start);
    const QDBusMessage reply = bus.call(get, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage
           && reply.arguments().value(0).value<QDBusVariant>().variant().toUInt() >= 1;
}

Result<HotKeyService::Handle> PortalHotKeyService::registerHotKey(int keyCode, int modifiers, Identifier identifier)
{
    if (ShortcutNotation::portalTrigger({keyCode, modifiers}).isEmpty())
        return Result<Handle>::failure(tr("This key can't be named to the desktop."));
    const Handle handle = add({identifier, keyCode, modifiers});
    scheduleBind();
    return handle;
}

// Registrations come in bursts (let go of one combination, take another):
// one request for the lot.
void PortalHotKeyService::scheduleBind()
{
    if (m_bindPending)
        return;
    m_bindPending = true;
    QTimer::singleShot(0, this, &PortalHotKeyService::bind);
}

void PortalHotKeyService::bind()
{
    m_bindPending = false;
    if (m_busy || m_failed)
        return;
    bool changed = false;
    for (const Registration& registration : registrations()) {
        const QString id = bindingName(registration.identifier);
        changed |= m_asked.value(id) != ShortcutNotation::portalTrigger({registration.keyCode, registration.modifiers});
    }
    if (!changed)
        return;
    if (m_session.isEmpty())
        createSession();
    else
        bindShortcuts();
}

void PortalHotKeyService::createSession()
{
    m_busy = true;
    const QVariantMap options{
        {QStringLiteral("session_handle_token"),
         QStringLiteral("momentra%1").arg(QRandomGenerator::global()->generate())},
    };
    PortalRequest::start(
        m_bus, kInterface, QStringLiteral("CreateSession"), {}, options, kSessionTimeout, this,
        [this](const Result<PortalRequest::Answer>& answer) {
            m_busy = false;
            const QString session = answer ? answer->results.value(QStringLiteral("session_handle")).toString()
                                           : QString();
            if (session.isEmpty()) {
                m_failed = true;
                m_log.logError(
                    QStringLiteral("The desktop portal gave no global shortcuts session: %1")
                        .arg(answer ? QStringLiteral("it answered %1").arg(answer->response) : answer.error()),
                    EventLog::kApp);
                return;
            }
            m_session = session;
            bindShortcuts();
        });
}

void PortalHotKeyService::bindShortcuts()
{
    QList<PortalShortcut> shortcuts;
    QHash<QString, QString> asking;
    for (const Registration& registration : registrations()) {
        const QString id = bindingName(registration.identifier);
        const QString trigger = ShortcutNotation::portalTrigger({registration.keyCode, registration.modifiers});
        asking.insert(id, trigger);
        shortcuts.append({id,
                          {{QStringLiteral("description"), tr("Start or stop taking screenshots")},
                           {QStringLiteral("preferred_trigger"), trigger}}});
    }
    if (shortcuts.isEmpty())
        return;
    m_busy = true;
    const QVariantList arguments{QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts),
                                 QString()};
    PortalRequest::start(
        m_bus, kInterface, QStringLiteral("BindShortcuts"), arguments, {}, kBindTimeout, this,
        [this, asking](const Result<PortalRequest::Answer>& answer) {
            m_busy = false;
            if (!answer || answer->response != 0) {
                m_log.logError(QStringLiteral("The desktop portal did not bind the global shortcut: %1")
                                   .arg(answer ? (answer->response == 1 ? QStringLiteral("the user cancelled")
                                                                        : QStringLiteral("the desktop refused"))
                                               : answer.error()),
                               EventLog::kApp);
            } else {
                m_asked.insert(asking);
                for (const PortalShortcut& bound :
                     PortalShortcut::fromResult(answer->results.value(QStringLiteral("shortcuts")))) {
                    const QString trigger = bound.properties.value(QStringLiteral("trigger_description")).toString();
                    m_triggerDescriptions.insert(bound.id, trigger);
                    m_log.log(QStringLiteral("Global shortcut %1 bound through the desktop portal: %2")
                                  .arg(bound.id, trigger.isEmpty() ? QStringLiteral("no trigger yet") : trigger),
                              EventLog::kApp);
                }
                scheduleBind();  // anything registered meanwhile
            }
            Q_EMIT bindingAnswered();
        });
}

void PortalHotKeyService::onActivated(const QDBusMessage& signal)
{
    deliverSignal(EventKind::pressed, signal);
}

void PortalHotKeyService::onDeactivated(const QDBusMessage& signal)
{
    deliverSignal(EventKind::released, signal);
}

void PortalHotKeyService::deliverSignal(EventKind kind, const QDBusMessage& signal)
{
    const QString session = signal.arguments().value(0).value<QDBusObjectPath>().path();
    if (session == m_session && !m_session.isEmpty())
        deliver(kind, signal.arguments().value(1).toString());
}
