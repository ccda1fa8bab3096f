#pragma once

#include "core/capture/LockFacts.h"
#include "core/capture/SessionState.h"
#include "platform/linux/LogindClient.h"
#include "platform/linux/ScreenSaverClient.h"
#include "platform/linux/x11/X11SessionProbe.h"

#include <QDBusConnection>

class EventLog;

// The session's answers on Linux: free space from statvfs, the lock test
// from logind, the screen saver and display power, idle time from the
// XScreenSaver extension, the application in front from the window
// manager, sleep and wake (and the delay inhibitor) from logind.
class LinuxSessionState : public SessionState
{
    Q_OBJECT

public:
    LinuxSessionState(QDBusConnection systemBus, QDBusConnection sessionBus, EventLog& log, QObject* parent = nullptr);

    std::optional<qint64> freeBytes(const QString& folder) override;
    bool isScreenLocked() override;
    double secondsSinceLastInput() override;
    std::optional<QString> frontmostAppId() override;
    FileDescriptor delaySleep(const QString& why) override;

    LockFacts lockFacts();

private:
    void noteSessionPresence(LogindClient::Presence presence);

    EventLog& m_log;
    LogindClient m_logind;
    ScreenSaverClient m_screenSaver;
    X11SessionProbe m_probe;
    std::optional<LogindClient::Presence> m_loggedPresence;
};
