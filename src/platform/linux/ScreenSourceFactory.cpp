#include "platform/linux/ScreenSourceFactory.h"

#include "platform/linux/x11/X11ScreenSource.h"

#include <QtGlobal>

Result<std::unique_ptr<ScreenSource>> createScreenSource()
{
    using R = Result<std::unique_ptr<ScreenSource>>;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            return R::failure(QStringLiteral("This is a Wayland session without X11 (DISPLAY is not set); "
                                             "Momentra captures X11 sessions for now."));
        return R::failure(QStringLiteral("No graphical session: DISPLAY is not set."));
    }
    return R(std::make_unique<X11ScreenSource>());
}
