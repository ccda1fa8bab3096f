#pragma once

#include "core/Result.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>

#include <xcb/xcb.h>

#include <memory>

// One connection to the X server (the one named by DISPLAY), closed when
// destroyed. Atom look-ups are cached for the connection's life.
class XcbConnection
{
public:
    ~XcbConnection();
    XcbConnection(const XcbConnection&) = delete;
    XcbConnection& operator=(const XcbConnection&) = delete;

    static Result<std::shared_ptr<XcbConnection>> open(const QByteArray& displayName = {});

    xcb_connection_t* get() const { return m_connection; }
    xcb_screen_t* screen() const { return m_screen; }
    xcb_window_t root() const { return m_screen->root; }
    bool isBroken() const { return xcb_connection_has_error(m_connection) != 0; }

    xcb_atom_t atom(const char* name);
    // Several atoms in one round trip; the cache fills as a side effect.
    void preloadAtoms(std::initializer_list<const char*> names);

    // Whole property value as bytes (any type); empty when missing.
    QByteArray property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type = XCB_ATOM_ANY);

    static QString lostMessage() { return QStringLiteral("The X server connection was lost"); }

private:
    XcbConnection(xcb_connection_t* connection, xcb_screen_t* screen);

    xcb_connection_t* m_connection;
    xcb_screen_t* m_screen;
    QMutex m_atomLock;
    QHash<QByteArray, xcb_atom_t> m_atoms;
};
