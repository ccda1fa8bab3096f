#pragma once

#include "core/Bitmap.h"
#include "core/Result.h"
#include "core/library/DisplayFacts.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// One display as the screen-capture service lists it.
struct DisplayInfo
{
    DisplayFacts facts;                       // identity source (display number, EDID numbers)
    QString name;                             // human name, from EDID when known ("DELL U2720Q"), else the connector
    int x = 0, y = 0;                         // position on the virtual screen, in pixels
    int width = 0, height = 0;                // pixels
    int logicalWidth = 0, logicalHeight = 0;  // pixels divided by the desktop scale (equal when scale 1)
    bool isBuiltIn = false;                   // laptop panel (eDP, LVDS, DSI)
    bool isMain = false;                      // the primary display
};

// One top-level window, bottom to top in ShareableContent::windows.
struct WindowInfo
{
    quint32 id = 0;
    QString appId;           // desktop-file id of the owning application ("org.gnome.Terminal")
    bool isDesktop = false;  // desktop icons / background window
    bool isNotification = false;
};

struct ShareableContent
{
    QList<DisplayInfo> displays;
    QStringList runningAppIds;
    QList<WindowInfo> windows;  // stacking order, bottom first
};

// What to leave out of one display's image, and how big to make it.
struct DisplayCaptureRequest
{
    QSet<QString> excludedAppIds;  // every window of these applications is left out
    bool hidesNotifications = false;
    bool hidesDesktopIcons = false;
    int outputWidth = 0, outputHeight = 0;  // the image is scaled to this size when it differs
    bool showsCursor = false;
};

// The desktop's screen-capture service.
class ScreenSource
{
public:
    virtual ~ScreenSource() = default;
    virtual Result<ShareableContent> content() = 0;
    // One image of one display. An excluded window's pixels never reach the image.
    virtual Result<Bitmap> capture(const DisplayInfo& display, const DisplayCaptureRequest& request) = 0;
    // The next capture is far away: hand back what is kept only to make the
    // next one faster (shared-memory segments, the last frame's buffer).
    virtual void releaseIdleBuffers() {}
};
