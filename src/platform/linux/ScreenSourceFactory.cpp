#include "platform/linux/ScreenSourceFactory.h"

#include "core/log/EventLog.h"
#include "platform/linux/OpenCapturePermission.h"
#include "platform/linux/wayland/PortalCapturePermission.h"
#include "platform/linux/wayland/PortalGrant.h"
#include "platform/linux/wayland/PortalScreenSource.h"
#include "platform/linux/wayland/ScreencopyScreenSource.h"
#include "platform/linux/x11/X11ScreenSource.h"

#include <QDBusConnection>

namespace {

std::shared_ptr<PortalGrant> portalGrant(EventLog& log)
{
    return std::make_shared<PortalGrant>(QDBusConnection::sessionBus(), RestoreTokenStore(),
                                         [&log](const QString& line, bool isError) {
                                             if (isError)
                                                 log.logError(line, EventLog::kEngine);
                                             else
                                                 log.log(line, EventLog::kEngine);
                                         });
}

}  // namespace

Result<std::unique_ptr<ScreenSource>> createScreenSource(const CaptureBackend::Choice& backend, EventLog& log)
{
    using R = Result<std::unique_ptr<ScreenSource>>;
    switch (backend.kind) {
    case CaptureBackend::Kind::X11: {
        X11ScreenSource::Options options;
        options.reportDegraded = [&log](const QString& message) { log.log(message, EventLog::kEngine); };
        return R(std::make_unique<X11ScreenSource>(std::move(options)));
    }
    case CaptureBackend::Kind::Screencopy:
        return R(std::make_unique<ScreencopyScreenSource>());
    case CaptureBackend::Kind::Portal:
        return R(std::make_unique<PortalScreenSource>(portalGrant(log)));
    case CaptureBackend::Kind::None:
        break;
    }
    return R::failure(backend.sentence);
}

std::unique_ptr<ScreenCapturePermission> createCapturePermission(const CaptureBackend::Choice& backend, EventLog& log)
{
    switch (backend.kind) {
    case CaptureBackend::Kind::Portal:
        return std::make_unique<PortalCapturePermission>(portalGrant(log));
    case CaptureBackend::Kind::None:
    case CaptureBackend::Kind::X11:
    case CaptureBackend::Kind::Screencopy:
        break;
    }
    // X11 and wlroots screen copy let every client of the session read the screen.
    return std::make_unique<OpenCapturePermission>();
}
