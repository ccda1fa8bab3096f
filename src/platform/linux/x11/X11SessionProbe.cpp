#include "platform/linux/x11/X11SessionProbe.h"

#include "platform/linux/x11/XcbConnection.h"
#include "platform/linux/x11/XcbReply.h"

#include <xcb/dpms.h>
#include <xcb/screensaver.h>

#include <cstring>

X11SessionProbe::X11SessionProbe() = default;
X11SessionProbe::~X11SessionProbe() = default;

XcbConnection* X11SessionProbe::connection()
{
    if (m_connection && !m_connection->isBroken())
        return m_connection.get();
    auto opened = XcbConnection::open();
    m_connection = opened ? opened.value() : nullptr;
    if (m_connection) {
        m_connection->preloadAtoms({"_NET_ACTIVE_WINDOW", "_GTK_APPLICATION_ID", "_KDE_NET_WM_DESKTOP_FILE",
                                    "_NET_WM_PID"});
    }
    return m_connection.get();
}

std::optional<double> X11SessionProbe::secondsSinceLastInput()
{
    XcbConnection* c = connection();
    if (!c)
        return std::nullopt;
    XcbReply<xcb_screensaver_query_info_reply_t> info(
        xcb_screensaver_query_info_reply(c->get(), xcb_screensaver_query_info(c->get(), c->root()), nullptr));
    if (!info)
        return std::nullopt;
    return info->ms_since_user_input / 1000.0;
}

std::optional<bool> X11SessionProbe::allDisplaysOff()
{
    XcbConnection* c = connection();
    if (!c)
        return std::nullopt;
    XcbReply<xcb_dpms_capable_reply_t> capable(
        xcb_dpms_capable_reply(c->get(), xcb_dpms_capable(c->get()), nullptr));
    if (!capable || !capable->capable)
        return std::nullopt;
    XcbReply<xcb_dpms_info_reply_t> info(xcb_dpms_info_reply(c->get(), xcb_dpms_info(c->get()), nullptr));
    if (!info)
        return std::nullopt;
    return info->state && info->power_level != XCB_DPMS_DPMS_MODE_ON;
}

std::optional<QString> X11SessionProbe::frontmostAppId()
{
    XcbConnection* c = connection();
    if (!c)
        return std::nullopt;
    const QByteArray active = c->property(c->root(), c->atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
    xcb_window_t window = XCB_WINDOW_NONE;
    if (active.size() >= int(sizeof window))
        std::memcpy(&window, active.constData(), sizeof window);
    if (window == XCB_WINDOW_NONE)
        return std::nullopt;

    AppIdResolver::WindowFacts facts;
    facts.gtkApplicationId = c->property(window, c->atom("_GTK_APPLICATION_ID"));
    facts.kdeDesktopFile = c->property(window, c->atom("_KDE_NET_WM_DESKTOP_FILE"));
    facts.wmClass = c->property(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
    const QByteArray pid = c->property(window, c->atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
    if (pid.size() >= 4)
        std::memcpy(&facts.pid, pid.constData(), 4);
    const QString id = m_resolver.resolve(facts);
    return id.isEmpty() ? std::nullopt : std::optional<QString>(id);
}
