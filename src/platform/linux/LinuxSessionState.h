#pragma once

#include "core/capture/LockFacts.h"
#include "core/capture/SessionState.h"
#include "platform/linux/FrontmostAppSource.h"
#include "platform/linux/GateSources.h"
#include "platform/linux/IdleSource.h"
#include "platform/linux/LogindClient.h"
#include "platform/linux/ScreenSaverClient.h"
#include "platform/linux/x11/X11SessionProbe.h"

#include <QDBusConnection>

#include <memory>

class EventLog;

// The session's answers on Linux: free space from statvfs, the lock test
// from logind, the screen saver and display power, idle time and the
// application in front from the mechanisms GateSources chose (named in the
// log once, when this is made), sleep and wake (and the delay inhibitor)
// from logind.
class LinuxSessionState : public SessionState
{
    Q_OBJECT

public:
    // With the gate sources this session offers, probed now.
    LinuxSessionState(QDBusConnection systemBus, QDBusConnection sessionBus, EventLog& log, QObject* parent = nullptr);
    LinuxSessionState(QDBusConnection systemBus, QDBusConnection sessionBus, EventLog& log,
                      const GateSources::Choice& gates, QObject* parent = nullptr);
    ~LinuxSessionState() override;

    std::optional<qint64> freeBytes(const QString& folder) override;
    bool isScreenLocked() override;
    double secondsSinceLastInput() override;
    void setIdleThreshold(double seconds) override;
    std::optional<QString> frontmostAppId() override;
    FileDescriptor delaySleep(const QString& why) override;

    LockFacts lockFacts();

private:
    void noteSessionPresence(LogindClient::Presence presence);
    void openGateSources(const GateSources::Choice& gates, const QDBusConnection& sessionBus);

    EventLog& m_log;
    LogindClient m_logind;
    ScreenSaverClient m_screenSaver;
    std::shared_ptr<X11SessionProbe> m_probe;
    std::shared_ptr<IdleSource> m_idle;              // null: idle time unknown
    std::shared_ptr<FrontmostAppSource> m_frontApp;  // null: the app in front unknown
    std::optional<LogindClient::Presence> m_loggedPresence;
};
