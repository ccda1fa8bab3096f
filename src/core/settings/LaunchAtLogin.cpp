#include "core/settings/LaunchAtLogin.h"

#include "core/WhenFinished.h"
#include "core/log/EventLog.h"

#include <QtConcurrent/QtConcurrentRun>

const QString LaunchAtLogin::kApprovalMessage = QStringLiteral(
    "Momentra needs your approval to start at login. Allow it in your desktop's settings for background apps.");
const QString LaunchAtLogin::kNotFoundMessage = QStringLiteral(
    "Momentra can't be started at login from where it is now. Install it, then try again.");
const QString LaunchAtLogin::kFailedPrefix = QStringLiteral("Couldn't change launch at login: ");
const QString LaunchAtLogin::kManualMessage = QStringLiteral(
    "Couldn't change launch at login. You can add Momentra to your desktop's startup applications yourself.");

LaunchAtLogin::Outcome LaunchAtLogin::outcome(bool enabled, LoginItems::Status status, const Result<void>& call)
{
    if ((status == LoginItems::Status::Enabled) == enabled)
        return {};
    switch (status) {
    case LoginItems::Status::RequiresApproval:
        return {kApprovalMessage, true};
    case LoginItems::Status::NotFound:
        return {kNotFoundMessage, false};
    default:
        return {call ? kManualMessage : kFailedPrefix + call.error(), true};
    }
}

LaunchAtLogin::LaunchAtLogin(LoginItems& items, EventLog& log, QObject* parent)
    : QObject(parent)
    , m_items(items)
    , m_log(log)
{
    m_pool.setMaxThreadCount(1);
}

LaunchAtLogin::~LaunchAtLogin()
{
    m_pool.waitForDone();
}

bool LaunchAtLogin::isEnabled() const
{
    return m_items.status() == LoginItems::Status::Enabled;
}

void LaunchAtLogin::setLaunchAtLogin(bool enabled)
{
    m_outcome = {};
    ++m_pending;
    Q_EMIT changed();
    LoginItems& items = m_items;
    const auto call = QtConcurrent::run(
        &m_pool, [&items, enabled] { return enabled ? items.registerItem() : items.unregisterItem(); });
    whenFinished(call, this, [this, enabled](const Result<void>& result) { apply(enabled, result); });
}

void LaunchAtLogin::apply(bool enabled, const Result<void>& call)
{
    --m_pending;
    m_outcome = outcome(enabled, m_items.status(), call);
    if (m_outcome.error.isEmpty())
        m_log.log(enabled ? QStringLiteral("Launch at login on") : QStringLiteral("Launch at login off"),
                  EventLog::kApp);
    else
        m_log.logError(m_outcome.error, EventLog::kApp);
    Q_EMIT changed();
}
