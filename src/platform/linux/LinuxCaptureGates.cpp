#include "platform/linux/LinuxCaptureGates.h"

#include "core/capture/VolumeSpace.h"
#include "core/log/EventLog.h"

LinuxCaptureGates::LinuxCaptureGates(QDBusConnection systemBus, QDBusConnection sessionBus)
    : m_logind(std::move(systemBus))
    , m_screenSaver(std::move(sessionBus))
{
}

std::optional<qint64> LinuxCaptureGates::freeBytes(const QString& folder)
{
    return VolumeSpace::freeBytes(folder);
}

// Without logind the lock test still works from the screen saver and display
// power; say so once rather than treating the machine as locked forever.
void LinuxCaptureGates::noteSessionPresence(LogindClient::Presence presence)
{
    if (m_loggedPresence == presence)
        return;
    const bool firstAnswer = !m_loggedPresence;
    m_loggedPresence = presence;
    switch (presence) {
    case LogindClient::Presence::LogindAbsent:
        EventLog::shared().log(QStringLiteral("systemd-logind isn't running; the lock test uses the screen saver "
                                              "and display power only"));
        break;
    case LogindClient::Presence::Unidentified:
        EventLog::shared().log(QStringLiteral("No login session found for Momentra; the lock test uses the screen "
                                              "saver and display power only"));
        break;
    default:
        if (!firstAnswer)
            EventLog::shared().log(QStringLiteral("Login session found again; the lock test uses it"));
        break;
    }
}

LockFacts LinuxCaptureGates::lockFacts()
{
    LockFacts facts;
    const LogindClient::SessionFacts session = m_logind.sessionFacts();
    noteSessionPresence(session.presence);
    switch (session.presence) {
    case LogindClient::Presence::Present: facts.session = LockFacts::Session::Present; break;
    case LogindClient::Presence::Missing: facts.session = LockFacts::Session::Missing; break;
    default: facts.session = LockFacts::Session::Unknown; break;
    }
    facts.lockedHint = session.lockedHint;
    facts.active = session.active;
    facts.screenSaverActive = m_screenSaver.isActive();
    facts.allDisplaysOff = m_probe.allDisplaysOff();
    return facts;
}

bool LinuxCaptureGates::isScreenLocked()
{
    return lockFacts().isLocked();
}

double LinuxCaptureGates::secondsSinceLastInput()
{
    return m_probe.secondsSinceLastInput().value_or(0);
}

std::optional<QString> LinuxCaptureGates::frontmostAppId()
{
    return m_probe.frontmostAppId();
}
