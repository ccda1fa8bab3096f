#pragma once

#include "core/Result.h"
#include "platform/linux/x11/StackedWindow.h"

#include <QList>

class AppIdResolver;
class XcbConnection;

// The root window's children bottom to top, which is what decides the pixels
// on screen. Unlike _NET_CLIENT_LIST_STACKING this also covers windows the
// window manager does not manage, such as notification pop-ups. Each is
// paired with its client window (the one carrying WM_STATE) for the
// application id and window type. Requests are pipelined level by level.
class WindowStack
{
public:
    struct Needs
    {
        bool appIds = true;
        bool types = true;
    };

    WindowStack(XcbConnection& connection, AppIdResolver& resolver)
        : m_connection(connection)
        , m_resolver(resolver)
    {
    }

    Result<QList<StackedWindow>> list(Needs needs);
    // The desktop-file id of the application whose window sits in this
    // child of the root window.
    QString appIdOf(xcb_window_t frame);

private:
    QList<xcb_window_t> children(xcb_window_t parent);
    void readGeometry(QList<StackedWindow>& windows);
    void findClients(QList<StackedWindow>& windows);
    void readClientFacts(QList<StackedWindow>& windows, Needs needs);

    XcbConnection& m_connection;
    AppIdResolver& m_resolver;
};
