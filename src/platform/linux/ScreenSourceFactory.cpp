#include "platform/linux/ScreenSourceFactory.h"

#include "platform/linux/x11/X11ScreenSource.h"

#include <QtGlobal>

Result<std::unique_ptr<ScreenSource>> createScreenSource()
{
    using R = Result<std::unique_ptr<ScreenSource>>;
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return R::failure(QStringLiteral("No graphical session: DISPLAY is not set."));
    // X11 is the only backend so far; a Wayland one will be chosen here
    // from XDG_SESSION_TYPE.
    return R(std::make_unique<X11ScreenSource>());
}
