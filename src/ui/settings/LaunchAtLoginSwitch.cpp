#include "ui/settings/LaunchAtLoginSwitch.h"

#include <QtConcurrent/QtConcurrentRun>

const QString LaunchAtLoginSwitch::kApprovalMessage = QStringLiteral(
    "Momentra needs your approval to start at login. Allow it in your desktop's settings for background apps.");
const QString LaunchAtLoginSwitch::kNotFoundMessage =
    QStringLiteral("Momentra can't be started at login from where it is now. Install it, then try again.");
const QString LaunchAtLoginSwitch::kFailedPrefix = QStringLiteral("Couldn't change launch at login: ");
const QString LaunchAtLoginSwitch::kManualMessage = QStringLiteral(
    "Couldn't change launch at login. You can add Momentra to your desktop's startup applications yourself.");

LaunchAtLoginSwitch::LaunchAtLoginSwitch(LoginItems& items, QObject* parent)
    : QObject(parent)
    , m_items(items)
{
    m_pool.setMaxThreadCount(1);
}

LaunchAtLoginSwitch::~LaunchAtLoginSwitch()
{
    m_pool.waitForDone();
}

void LaunchAtLoginSwitch::setLaunchAtLogin(bool enabled)
{
    m_error.clear();
    ++m_pending;
    Q_EMIT changed();
    LoginItems& items = m_items;
    QtConcurrent::run(&m_pool, [&items, enabled] {
        return enabled ? items.registerItem() : items.unregisterItem();
    }).then(this, [this, enabled](const Result<void>& call) { apply(enabled, call); });
}

void LaunchAtLoginSwitch::apply(bool enabled, const Result<void>& call)
{
    --m_pending;
    const LoginItems::Status status = m_items.status();
    if ((status == LoginItems::Status::Enabled) == enabled)
        m_error.clear();
    else if (status == LoginItems::Status::RequiresApproval)
        m_error = kApprovalMessage;
    else if (status == LoginItems::Status::NotFound)
        m_error = kNotFoundMessage;
    else
        m_error = call ? kManualMessage : kFailedPrefix + call.error();
    Q_EMIT changed();
}
