#include "platform/linux/ScreenSourceFactory.h"

#include <QtGlobal>

Result<std::unique_ptr<ScreenSource>> createScreenSource()
{
    using R = Result<std::unique_ptr<ScreenSource>>;
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return R::failure(QStringLiteral("No graphical session: DISPLAY is not set."));
    return R::failure(QStringLiteral("No X11 display backend is built in yet."));
}
