#include "platform/linux/ScreenSourceFactory.h"

#include "core/log/EventLog.h"
#include "platform/linux/x11/X11ScreenSource.h"

#include <QtGlobal>

Result<std::unique_ptr<ScreenSource>> createScreenSource(EventLog& log)
{
    using R = Result<std::unique_ptr<ScreenSource>>;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            return R::failure(QStringLiteral("This is a Wayland session without X11 (DISPLAY is not set); "
                                             "Momentra captures X11 sessions for now."));
        return R::failure(QStringLiteral("No graphical session: DISPLAY is not set."));
    }
    X11ScreenSource::Options options;
    options.reportDegraded = [&log](const QString& message) { log.log(message, EventLog::kEngine); };
    return R(std::make_unique<X11ScreenSource>(std::move(options)));
}
