#include "platform/linux/x11/X11ScreenSource.h"

#include "platform/linux/x11/BitmapScaler.h"
#include "platform/linux/x11/DesktopScale.h"
#include "platform/linux/x11/RandrMonitors.h"
#include "platform/linux/x11/WindowStack.h"
#include "platform/linux/x11/X11Session.h"
#include "platform/linux/x11/XcbServerGrab.h"

#include <QMutexLocker>
#include <QSet>

#include <xcb/composite.h>
#include <xcb/shm.h>
#include <xcb/xfixes.h>

#include <optional>

#include <malloc.h>

namespace {

bool hasExtension(xcb_connection_t* connection, xcb_extension_t* extension)
{
    const xcb_query_extension_reply_t* reply = xcb_get_extension_data(connection, extension);
    return reply && reply->present;
}

}  // namespace

X11ScreenSource::X11ScreenSource()
    : X11ScreenSource(Options{})
{
}

X11ScreenSource::X11ScreenSource(Options options)
    : m_options(std::move(options))
{
}

X11ScreenSource::~X11ScreenSource() = default;

Result<ShareableContent> X11ScreenSource::content()
{
    QMutexLocker lock(&m_lock);
    Result<X11Session*> current = session();
    if (!current)
        return Result<ShareableContent>::failure(current.error());
    X11Session& s = **current;
    ShareableContent content;
    Result<QList<DisplayInfo>> displays = RandrMonitors(s.connection()).list(desktopScale(s));
    if (!displays) {
        m_session.reset();
        return Result<ShareableContent>::failure(displays.error());
    }
    content.displays = *displays;
    Result<QList<StackedWindow>> windows = WindowStack(s.connection(), m_resolver).list({});
    if (!windows) {
        m_session.reset();
        return Result<ShareableContent>::failure(windows.error());
    }
    QSet<QString> seen;
    for (const StackedWindow& window : *windows) {
        content.windows.append(WindowInfo{window.client, window.appId, window.isDesktop, window.isNotification});
        if (!window.appId.isEmpty() && !seen.contains(window.appId)) {
            seen.insert(window.appId);
            content.runningAppIds.append(window.appId);
        }
    }
    return content;
}

Result<Bitmap> X11ScreenSource::capture(const DisplayInfo& display, const DisplayCaptureRequest& request)
{
    QMutexLocker lock(&m_lock);
    Result<X11Session*> current = session();
    if (!current)
        return failed(display, current.error());
    Result<Bitmap> image = grabDisplay(**current, display, request);
    if (!image && (*current)->connection().isBroken()) {
        m_session.reset();
        return Result<Bitmap>::failure(XcbConnection::lostMessage());
    }
    return image;
}

void X11ScreenSource::releaseIdleBuffers()
{
    QMutexLocker lock(&m_lock);
    if (m_session)
        m_session->grabber().releaseBuffers();
    // The encoder's and the scaler's freed blocks sit in the worker thread's
    // arena until told otherwise; hand them back for the long wait.
    ::malloc_trim(0);
}

Result<Bitmap> X11ScreenSource::grabDisplay(X11Session& s, const DisplayInfo& display,
                                            const DisplayCaptureRequest& request)
{
    XcbConnection& connection = s.connection();
    const QRect screen(0, 0, connection.screen()->width_in_pixels, connection.screen()->height_in_pixels);
    const QRect area = QRect(display.x, display.y, display.width, display.height).intersected(screen);
    if (area.isEmpty())
        return failed(display, QStringLiteral("it lies outside the screen"));

    s.grabber().setShmAllowed(m_options.allowShm);
    s.composer().setCompositeAllowed(m_options.allowComposite);
    const bool needsWindows = !request.excludedAppIds.isEmpty() || request.hidesNotifications
                              || request.hidesDesktopIcons;
    Result<Bitmap> image = needsWindows
                               ? grabWithoutExcluded(s, area, request)
                               : s.grabber().grabFrame(connection.root(), connection.screen()->root_depth, area);
    if (!image)
        return failed(display, image.error());
    m_lastUsedShm = s.grabber().lastGrabUsedShm();
    if (request.showsCursor)
        s.cursor().draw(image.value(), area.topLeft());
    s.grabber().keepFrame(image->pixels);
    if (request.outputWidth > 0 && request.outputHeight > 0)
        return BitmapScaler::scaled(*image, request.outputWidth, request.outputHeight);
    return image;
}

Result<Bitmap> X11ScreenSource::grabWithoutExcluded(X11Session& s, const QRect& area,
                                                    const DisplayCaptureRequest& request)
{
    XcbConnection& connection = s.connection();
    const WindowStack::Needs needs{!request.excludedAppIds.isEmpty(),
                                   request.hidesNotifications || request.hidesDesktopIcons};
    for (int attempt = 0;; ++attempt) {
        // Nothing may move, appear or draw between the window list and the image.
        std::optional<XcbServerGrab> held(std::in_place, connection.get());
        Result<QList<StackedWindow>> windows = WindowStack(connection, m_resolver).list(needs);
        if (!windows)
            return Result<Bitmap>::failure(windows.error());
        QList<bool> excluded;
        for (const StackedWindow& window : std::as_const(*windows))
            excluded.append(isExcluded(window, request));
        if (attempt == 0 && s.composer().needsPreparing(area, *windows, excluded)) {
            // First excluded window on screen: give windows their pixmaps, then start over.
            held.reset();
            s.composer().prepare();
            continue;
        }
        Result<Bitmap> image = s.grabber().grabFrame(connection.root(), connection.screen()->root_depth, area);
        if (!image)
            return image;
        Result<void> hidden = s.composer().hide(image.value(), area, *windows, excluded);
        if (!hidden)
            return Result<Bitmap>::failure(hidden.error());
        return image;
    }
}

bool X11ScreenSource::isExcluded(const StackedWindow& window, const DisplayCaptureRequest& request)
{
    return (!window.appId.isEmpty() && request.excludedAppIds.contains(window.appId))
           || (request.hidesNotifications && window.isNotification) || (request.hidesDesktopIcons && window.isDesktop);
}

Result<X11Session*> X11ScreenSource::session()
{
    if (m_session && m_session->connection().isBroken())
        m_session.reset();
    if (!m_session) {
        Result<std::shared_ptr<XcbConnection>> opened = XcbConnection::open(m_options.displayName);
        if (!opened)
            return Result<X11Session*>::failure(opened.error());
        m_session = std::make_unique<X11Session>(*opened);
        reportMissingExtensions(m_session->connection());
    }
    return m_session.get();
}

void X11ScreenSource::reportMissingExtensions(XcbConnection& connection)
{
    if (m_extensionsReported || !m_options.reportDegraded)
        return;
    m_extensionsReported = true;
    xcb_connection_t* c = connection.get();
    if (!hasExtension(c, &xcb_shm_id))
        m_options.reportDegraded(
            QStringLiteral("The X server has no MIT-SHM extension; capturing through slower image transfers"));
    if (!hasExtension(c, &xcb_composite_id))
        m_options.reportDegraded(
            QStringLiteral("The X server has no Composite extension; excluded windows are painted black instead of "
                           "showing what lies beneath them"));
    if (!hasExtension(c, &xcb_xfixes_id))
        m_options.reportDegraded(
            QStringLiteral("The X server has no XFixes extension; screenshots are taken without the pointer"));
}

double X11ScreenSource::desktopScale(X11Session& s)
{
    XcbConnection& connection = s.connection();
    const QByteArray resources = connection.property(connection.root(), XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING);
    return DesktopScale::fromSession(resources, qgetenv("GDK_SCALE"), qgetenv("QT_SCALE_FACTOR"));
}

Result<Bitmap> X11ScreenSource::failed(const DisplayInfo& display, const QString& reason)
{
    if (reason == XcbConnection::lostMessage())
        return Result<Bitmap>::failure(reason);
    return Result<Bitmap>::failure(
        QStringLiteral("Couldn't read the screen of display %1: %2").arg(display.name, reason));
}
