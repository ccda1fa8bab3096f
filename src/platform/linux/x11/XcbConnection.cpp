#include "platform/linux/x11/XcbConnection.h"

#include "platform/linux/x11/XcbReply.h"

#include <QList>
#include <QMutexLocker>

#include <cstring>
#include <vector>

XcbConnection::XcbConnection(xcb_connection_t* connection, xcb_screen_t* screen)
    : m_connection(connection), m_screen(screen)
{
}

XcbConnection::~XcbConnection()
{
    xcb_disconnect(m_connection);
}

Result<std::shared_ptr<XcbConnection>> XcbConnection::open(const QByteArray& displayName)
{
    int screenNumber = 0;
    xcb_connection_t* connection =
        xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        const QByteArray shown = displayName.isEmpty() ? qgetenv("DISPLAY") : displayName;
        if (shown.isEmpty())
            return Result<std::shared_ptr<XcbConnection>>::failure(
                QStringLiteral("No X display to capture (DISPLAY is not set)"));
        return Result<std::shared_ptr<XcbConnection>>::failure(
            QStringLiteral("Couldn't connect to the X display %1").arg(QString::fromLocal8Bit(shown)));
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(connection);
        return Result<std::shared_ptr<XcbConnection>>::failure(
            QStringLiteral("The X display has no screen %1").arg(screenNumber));
    }
    return std::shared_ptr<XcbConnection>(new XcbConnection(connection, it.data));
}

xcb_atom_t XcbConnection::atom(const char* name)
{
    {
        QMutexLocker lock(&m_atomLock);
        auto found = m_atoms.constFind(QByteArray(name));
        if (found != m_atoms.constEnd())
            return *found;
    }
    preloadAtoms({name});
    QMutexLocker lock(&m_atomLock);
    return m_atoms.value(QByteArray(name), XCB_ATOM_NONE);
}

void XcbConnection::preloadAtoms(std::initializer_list<const char*> names)
{
    std::vector<std::pair<const char*, xcb_intern_atom_cookie_t>> cookies;
    for (const char* name : names)
        cookies.emplace_back(name, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name));
    for (auto& [name, cookie] : cookies) {
        XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(m_connection, cookie, nullptr));
        QMutexLocker lock(&m_atomLock);
        m_atoms.insert(QByteArray(name), reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE));
    }
}

QByteArray XcbConnection::property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
{
    if (property == XCB_ATOM_NONE)
        return {};
    // 4 MB is far beyond any property we read; long enough for one request.
    auto cookie = xcb_get_property(m_connection, 0, window, property, type, 0, 1u << 20);
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_connection, cookie, nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}
