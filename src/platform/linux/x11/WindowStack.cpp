#include "platform/linux/x11/WindowStack.h"

#include "platform/linux/x11/AppIdResolver.h"
#include "platform/linux/x11/XcbConnection.h"
#include "platform/linux/x11/XcbReply.h"

#include <vector>

namespace {
constexpr quint32 kPropertyWords = 1024;

QByteArray propertyBytes(xcb_connection_t* c, xcb_get_property_cookie_t cookie)
{
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

xcb_get_property_cookie_t askProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t atom)
{
    return xcb_get_property(c, 0, window, atom, XCB_ATOM_ANY, 0, kPropertyWords);
}
}

Result<QList<StackedWindow>> WindowStack::list(Needs needs)
{
    QList<StackedWindow> windows;
    for (xcb_window_t frame : children(m_connection.root())) {
        StackedWindow window;
        window.frame = window.client = frame;
        windows.append(window);
    }
    if (m_connection.isBroken())
        return Result<QList<StackedWindow>>::failure(XcbConnection::lostMessage());
    readGeometry(windows);
    if (needs.appIds || needs.types) {
        findClients(windows);
        readClientFacts(windows, needs);
    }
    if (m_connection.isBroken())
        return Result<QList<StackedWindow>>::failure(XcbConnection::lostMessage());
    return windows;
}

QList<xcb_window_t> WindowStack::children(xcb_window_t parent)
{
    xcb_connection_t* c = m_connection.get();
    XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, parent), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* ids = xcb_query_tree_children(tree.get());
    return QList<xcb_window_t>(ids, ids + xcb_query_tree_children_length(tree.get()));
}

void WindowStack::readGeometry(QList<StackedWindow>& windows)
{
    xcb_connection_t* c = m_connection.get();
    std::vector<xcb_get_window_attributes_cookie_t> attributes;
    std::vector<xcb_get_geometry_cookie_t> geometries;
    for (const StackedWindow& window : windows) {
        attributes.push_back(xcb_get_window_attributes(c, window.frame));
        geometries.push_back(xcb_get_geometry(c, window.frame));
    }
    for (qsizetype i = 0; i < windows.size(); ++i) {
        XcbReply<xcb_get_window_attributes_reply_t> attr(xcb_get_window_attributes_reply(c, attributes[i], nullptr));
        XcbReply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, geometries[i], nullptr));
        if (!attr || !geometry)
            continue;  // gone meanwhile: not viewable
        StackedWindow& window = windows[i];
        window.viewable = attr->map_state == XCB_MAP_STATE_VIEWABLE && attr->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT;
        window.depth = geometry->depth;
        const int border = geometry->border_width;
        window.bounds = QRect(geometry->x, geometry->y, geometry->width + 2 * border, geometry->height + 2 * border);
    }
}

void WindowStack::findClients(QList<StackedWindow>& windows)
{
    // A managed window sits inside its frame, one or two levels down.
    constexpr int kSearchDepth = 3;
    const xcb_atom_t wmState = m_connection.atom("WM_STATE");
    xcb_connection_t* c = m_connection.get();
    for (StackedWindow& window : windows) {
        QList<xcb_window_t> level{window.frame};
        bool found = false;
        for (int depth = 0; depth < kSearchDepth && !found && !level.isEmpty(); ++depth) {
            std::vector<xcb_get_property_cookie_t> cookies;
            for (xcb_window_t candidate : level)
                cookies.push_back(xcb_get_property(c, 0, candidate, wmState, XCB_ATOM_ANY, 0, 0));
            for (qsizetype i = 0; i < level.size(); ++i) {
                XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookies[i], nullptr));
                if (!found && reply && reply->type != XCB_ATOM_NONE) {
                    window.client = level[i];
                    found = true;
                }
            }
            if (found)
                break;
            QList<xcb_window_t> next;
            for (xcb_window_t candidate : level)
                next += children(candidate);
            level = next;
        }
    }
}

void WindowStack::readClientFacts(QList<StackedWindow>& windows, Needs needs)
{
    xcb_connection_t* c = m_connection.get();
    m_connection.preloadAtoms({"_GTK_APPLICATION_ID", "_KDE_NET_WM_DESKTOP_FILE", "_NET_WM_PID", "_NET_WM_WINDOW_TYPE",
                               "_NET_WM_WINDOW_TYPE_DESKTOP", "_NET_WM_WINDOW_TYPE_NOTIFICATION"});
    struct Cookies
    {
        xcb_get_property_cookie_t gtk, kde, wmClass, pid, type;
    };
    std::vector<Cookies> cookies;
    for (const StackedWindow& window : windows) {
        Cookies cookie{};
        if (needs.appIds) {
            cookie.gtk = askProperty(c, window.client, m_connection.atom("_GTK_APPLICATION_ID"));
            cookie.kde = askProperty(c, window.client, m_connection.atom("_KDE_NET_WM_DESKTOP_FILE"));
            cookie.wmClass = askProperty(c, window.client, XCB_ATOM_WM_CLASS);
            cookie.pid = askProperty(c, window.client, m_connection.atom("_NET_WM_PID"));
        }
        if (needs.types)
            cookie.type = askProperty(c, window.client, m_connection.atom("_NET_WM_WINDOW_TYPE"));
        cookies.push_back(cookie);
    }
    const xcb_atom_t desktop = m_connection.atom("_NET_WM_WINDOW_TYPE_DESKTOP");
    const xcb_atom_t notification = m_connection.atom("_NET_WM_WINDOW_TYPE_NOTIFICATION");
    for (qsizetype i = 0; i < windows.size(); ++i) {
        StackedWindow& window = windows[i];
        if (needs.appIds) {
            AppIdResolver::WindowFacts facts;
            facts.gtkApplicationId = propertyBytes(c, cookies[i].gtk);
            facts.kdeDesktopFile = propertyBytes(c, cookies[i].kde);
            facts.wmClass = propertyBytes(c, cookies[i].wmClass);
            const QByteArray pid = propertyBytes(c, cookies[i].pid);
            if (pid.size() >= 4)
                facts.pid = *reinterpret_cast<const quint32*>(pid.constData());
            window.appId = m_resolver.resolve(facts);
        }
        if (needs.types) {
            const QByteArray types = propertyBytes(c, cookies[i].type);
            const auto* atoms = reinterpret_cast<const xcb_atom_t*>(types.constData());
            for (qsizetype k = 0; k < types.size() / qsizetype(sizeof(xcb_atom_t)); ++k) {
                window.isDesktop |= atoms[k] == desktop;
                window.isNotification |= atoms[k] == notification;
            }
        }
    }
}

QString WindowStack::appIdOf(xcb_window_t frame)
{
    QList<StackedWindow> windows{StackedWindow{frame, frame}};
    findClients(windows);
    readClientFacts(windows, {true, false});
    return windows.first().appId;
}
