#pragma once

#include "core/capture/CaptureGates.h"
#include "core/capture/LockFacts.h"
#include "platform/linux/LogindClient.h"
#include "platform/linux/ScreenSaverClient.h"
#include "platform/linux/X11SessionProbe.h"
#include "platform/linux/x11/X11ActiveWindow.h"

#include <QDBusConnection>

// The engine's questions answered by the desktop: free space from statvfs,
// the lock test from logind, the screen saver and display power, idle time
// from the XScreenSaver extension, the application in front from the
// window manager.
class LinuxCaptureGates : public CaptureGates
{
public:
    LinuxCaptureGates(QDBusConnection systemBus, QDBusConnection sessionBus);

    std::optional<qint64> freeBytes(const QString& folder) override;
    bool isScreenLocked() override;
    double secondsSinceLastInput() override;
    std::optional<QString> frontmostAppId() override;

    LockFacts lockFacts();
    LogindClient& logind() { return m_logind; }

private:
    void noteSessionPresence(LogindClient::Presence presence);

    LogindClient m_logind;
    ScreenSaverClient m_screenSaver;
    X11SessionProbe m_probe;
    X11ActiveWindow m_activeWindow;
    std::optional<LogindClient::Presence> m_loggedPresence;
};
