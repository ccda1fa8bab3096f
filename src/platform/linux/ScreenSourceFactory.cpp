#include "platform/linux/ScreenSourceFactory.h"

#include <QtGlobal>

// The X11 backend is picked up as soon as it is part of the tree.
#if __has_include("platform/linux/x11/X11ScreenSource.h")
#include "platform/linux/x11/X11ScreenSource.h"
#define MOMENTRA_HAS_X11_SOURCE 1
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
