#include "platform/linux/X11SessionProbe.h"

#include <xcb/dpms.h>
#include <xcb/screensaver.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {
struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_screen_t* screenOf(xcb_connection_t* c, int number)
{
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; it.rem > 0; xcb_screen_next(&it), ++i) {
        if (i == number)
            return it.data;
    }
    return nullptr;
}
}  // namespace

X11SessionProbe::X11SessionProbe()
{
    m_connection = xcb_connect(nullptr, &m_screen);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
    }
}

X11SessionProbe::~X11SessionProbe()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool X11SessionProbe::isConnected() const
{
    return m_connection && !xcb_connection_has_error(m_connection);
}

std::optional<double> X11SessionProbe::secondsSinceLastInput()
{
    if (!isConnected())
        return std::nullopt;
    xcb_screen_t* screen = screenOf(m_connection, m_screen);
    if (!screen)
        return std::nullopt;
    Reply<xcb_screensaver_query_info_reply_t> info(xcb_screensaver_query_info_reply(
        m_connection, xcb_screensaver_query_info(m_connection, screen->root), nullptr));
    if (!info)
        return std::nullopt;
    return info->ms_since_user_input / 1000.0;
}

std::optional<bool> X11SessionProbe::allDisplaysOff()
{
    if (!isConnected())
        return std::nullopt;
    Reply<xcb_dpms_capable_reply_t> capable(
        xcb_dpms_capable_reply(m_connection, xcb_dpms_capable(m_connection), nullptr));
    if (!capable || !capable->capable)
        return std::nullopt;
    Reply<xcb_dpms_info_reply_t> info(xcb_dpms_info_reply(m_connection, xcb_dpms_info(m_connection), nullptr));
    if (!info)
        return std::nullopt;
    return info->state && info->power_level != XCB_DPMS_DPMS_MODE_ON;
}
