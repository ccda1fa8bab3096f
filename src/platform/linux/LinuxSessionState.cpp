#include "platform/linux/LinuxSessionState.h"

#include "core/capture/VolumeSpace.h"
#include "core/log/EventLog.h"
#include "platform/linux/KWinActiveWindow.h"
#include "platform/linux/LogindIdleHint.h"
#include "platform/linux/MutterIdleMonitor.h"
#include "platform/linux/SessionProbe.h"
#include "platform/linux/ShellExtensionFrontmostApp.h"
#include "platform/linux/wayland/WaylandIdleSource.h"
#include "platform/linux/wayland/WlrForeignToplevels.h"

namespace {

template <typename Source>
std::shared_ptr<Source> opened(Result<std::unique_ptr<Source>> result, EventLog& log)
{
    if (result)
        return std::move(result).value();
    log.logError(result.error(), EventLog::kEngine);
    return nullptr;
}

GateSources::Choice probedGates(const QDBusConnection& systemBus, const QDBusConnection& sessionBus)
{
    SessionProbe session(sessionBus);
    return GateSources::choose(GateSources::probe(session, systemBus));
}

}  // namespace

LinuxSessionState::LinuxSessionState(QDBusConnection systemBus, QDBusConnection sessionBus, EventLog& log,
                                     QObject* parent)
    : LinuxSessionState(systemBus, sessionBus, log, probedGates(systemBus, sessionBus), parent)
{
}

LinuxSessionState::LinuxSessionState(QDBusConnection systemBus, QDBusConnection sessionBus, EventLog& log,
                                     const GateSources::Choice& gates, QObject* parent)
    : SessionState(parent)
    , m_log(log)
    , m_logind(std::move(systemBus))
    , m_screenSaver(sessionBus)
    , m_probe(std::make_shared<X11SessionProbe>())
{
    for (const QString& line : gates.sentences())
        m_log.log(line, EventLog::kEngine);
    openGateSources(gates, sessionBus);
    connect(&m_logind, &LogindClient::prepareForSleep, this, [this](bool sleeping) {
        if (sleeping)
            Q_EMIT willSleep();
        else
            Q_EMIT didWake();
    });
}

LinuxSessionState::~LinuxSessionState() = default;

// A mechanism that was there when probed but cannot be opened now leaves
// its gate without answers, said in the log.
void LinuxSessionState::openGateSources(const GateSources::Choice& gates, const QDBusConnection& sessionBus)
{
    using Idle = GateSources::Idle;
    using FrontApp = GateSources::FrontApp;
    switch (gates.idle) {
    case Idle::XScreenSaver:
        m_idle = m_probe;
        break;
    case Idle::ExtIdleNotifier:
        m_idle = opened(WaylandIdleSource::connect(WaylandIdleSource::Protocol::ExtIdleNotifier), m_log);
        break;
    case Idle::KdeIdle:
        m_idle = opened(WaylandIdleSource::connect(WaylandIdleSource::Protocol::KdeIdle), m_log);
        break;
    case Idle::MutterIdleMonitor:
        m_idle = std::make_shared<MutterIdleMonitor>(sessionBus);
        break;
    case Idle::LogindIdleHint:
        m_idle = std::make_shared<LogindIdleHint>(m_logind);
        break;
    case Idle::None:
        break;
    }
    switch (gates.frontApp) {
    case FrontApp::X11ActiveWindow:
        m_frontApp = m_probe;
        break;
    case FrontApp::WlrForeignToplevel:
        m_frontApp = opened(WlrForeignToplevels::connect(), m_log);
        break;
    case FrontApp::KWinScript:
        m_frontApp = std::make_shared<KWinActiveWindow>(sessionBus, KWinActiveWindow::installedScript(), m_log);
        break;
    case FrontApp::GnomeShellExtension:
        m_frontApp = std::make_shared<ShellExtensionFrontmostApp>(sessionBus);
        break;
    case FrontApp::None:
        break;
    }
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
    facts.allDisplaysOff = m_probe->allDisplaysOff();
    return facts;
}

bool LinuxSessionState::isScreenLocked()
{
    return lockFacts().isLocked();
}

double LinuxSessionState::secondsSinceLastInput()
{
    return m_idle ? m_idle->secondsSinceLastInput().value_or(0) : 0;
}

void LinuxSessionState::setIdleThreshold(double seconds)
{
    if (m_idle)
        m_idle->setThreshold(seconds);
}

std::optional<QString> LinuxSessionState::frontmostAppId()
{
    return m_frontApp ? m_frontApp->frontmostAppId() : std::nullopt;
}

// logind waits for a delay inhibitor before suspending, so that a screenshot
// being written when the lid closes is finished, not cut off.
FileDescriptor LinuxSessionState::delaySleep(const QString& why)
{
    return FileDescriptor(m_logind.inhibitSleepDelay(why));
}
