#include "platform/linux/x11/X11ActiveWindow.h"

#include "platform/linux/x11/XcbConnection.h"

#include <cstring>

X11ActiveWindow::X11ActiveWindow() = default;
X11ActiveWindow::~X11ActiveWindow() = default;

XcbConnection* X11ActiveWindow::connection()
{
    if (m_connection && !m_connection->isBroken())
        return m_connection.get();
    auto opened = XcbConnection::open();
    m_connection = opened ? opened.value() : nullptr;
    if (m_connection) {
        m_connection->preloadAtoms({"_NET_ACTIVE_WINDOW", "_GTK_APPLICATION_ID", "_KDE_NET_WM_DESKTOP_FILE",
                                    "_NET_WM_PID", "UTF8_STRING"});
    }
    return m_connection.get();
}

std::optional<QString> X11ActiveWindow::appId()
{
    XcbConnection* c = connection();
    if (!c)
        return std::nullopt;
    const QByteArray active = c->property(c->root(), c->atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
    if (active.size() < int(sizeof(xcb_window_t)))
        return std::nullopt;
    xcb_window_t window = 0;
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
    if (id.isEmpty())
        return std::nullopt;
    return id;
}
