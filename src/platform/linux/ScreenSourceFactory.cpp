#include "platform/linux/ScreenSourceFactory.h"

#include <QtGlobal>

#ifdef MOMENTRA_HAS_X11_SOURCE  // set by the build when the X11 backend is in the tree
#include "platform/linux/x11/X11ScreenSource.h"
#endif

Result<std::unique_ptr<ScreenSource>> createScreenSource()
{
    using R = Result<std::unique_ptr<ScreenSource>>;
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return R::failure(QStringLiteral("No graphical session: DISPLAY is not set."));
#ifdef MOMENTRA_HAS_X11_SOURCE
    return R(std::make_unique<X11ScreenSource>());
#else
    return R::failure(QStringLiteral("No X11 display backend is built in yet."));
#endif
}
