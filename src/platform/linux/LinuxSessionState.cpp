#include "platform/linux/LinuxSessionState.h"

#include "core/capture/VolumeSpace.h"
#include "core/log/EventLog.h"

LinuxSessionState::LinuxSessionState(QDBusConnection systemBus, QDBusConnection sessionBus, EventLog& log,
                                     QObject* parent)
    : SessionState(parent)
    , m_log(log)
    , m_logind(std::move(systemBus))
    , m_screenSaver(std::move(sessionBus))
{
    connect(&m_logind, &LogindClient::prepareForSleep, this, [this](bool sleeping) {
        if (sleeping)
            Q_EMIT willSleep();
        else
            Q_EMIT didWake();
    });
}

std::optional<qint64> LinuxSessionState::freeBytes(const QString& folder)
{
    return VolumeSpace::freeBytes(folder);
}

// Without logind the lock test still works from the screen saver and display
// power; say so once rather than treating the machine as locked forever.
void LinuxSessionState::noteSessionPresence(LogindClient::Presence presence)
{
    if (m_loggedPresence == presence)
        return;
    const bool firstAnswer = !m_loggedPresence;
    m_loggedPresence = presence;
    switch (presence) {
    case LogindClient::Presence::LogindAbsent:
        m_log.log(QStringLiteral("systemd-logind isn't running; the lock test uses the screen saver "
                                 "and display power only"));
        break;
    case LogindClient::Presence::Unidentified:
        m_log.log(QStringLiteral("No login session found for Momentra; the lock test uses the screen "
                                 "saver and display power only"));
        break;
    default:
        if (!firstAnswer)
            m_log.log(QStringLiteral("Login session found again; the lock test uses it"));
        break;
    }
}

LockFacts LinuxSessionState::lockFacts()
{
    LockFacts facts;
    const LogindClient::SessionFacts session = m_logind.sessionFacts();
    noteSessionPresence(session.presence);
    switch (session.presence) {
    case LogindClient::Presence::Present:
        facts.session = LockFacts::Session::Present;
        break;
    case LogindClient::Presence::Missing:
        facts.session = LockFacts::Session::Missing;
        break;
    default:
        facts.session = LockFacts::Session::Unknown;
        break;
    }
    facts.lockedHint = session.lockedHint;
    facts.active = session.active;
    facts.screenSaverActive = m_screenSaver.isActive();
    facts.allDisplaysOff = m_probe.allDisplaysOff();
    return facts;
}

bool LinuxSessionState::isScreenLocked()
{
    return lockFacts().isLocked();
}

double LinuxSessionState::secondsSinceLastInput()
{
    return m_probe.secondsSinceLastInput().value_or(0);
}

std::optional<QString> LinuxSessionState::frontmostAppId()
{
    return m_probe.frontmostAppId();
}

// logind waits for a delay inhibitor before suspending, so that a screenshot
// being written when the lid closes is finished, not cut off.
FileDescriptor LinuxSessionState::delaySleep(const QString& why)
{
    return FileDescriptor(m_logind.inhibitSleepDelay(why));
}
