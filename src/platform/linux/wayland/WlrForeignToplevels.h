#pragma once

#include "core/Result.h"
#include "platform/linux/FrontmostAppSource.h"
#include "platform/linux/x11/AppIdResolver.h"

#include <QSocketNotifier>

#include <list>
#include <memory>

class WaylandConnection;
struct zwlr_foreign_toplevel_handle_v1;
struct zwlr_foreign_toplevel_manager_v1;

// The app in front on wlroots compositors: every toplevel window as
// zwlr_foreign_toplevel_manager_v1 announces it, with its app_id and
// whether it is activated (changes apply at each handle's done event).
// Events are read as they come (from the event loop) and again whenever
// the gate asks.
class WlrForeignToplevels : public FrontmostAppSource
{
public:
    // A connection of its own to the compositor (WAYLAND_DISPLAY).
    static Result<std::unique_ptr<WlrForeignToplevels>> connect();
    ~WlrForeignToplevels() override;
    WlrForeignToplevels(const WlrForeignToplevels&) = delete;
    WlrForeignToplevels& operator=(const WlrForeignToplevels&) = delete;

    std::optional<QString> frontmostAppId() override;

    struct Toplevel
    {
        WlrForeignToplevels* owner = nullptr;
        zwlr_foreign_toplevel_handle_v1* handle = nullptr;
        QString appId;
        bool activated = false;
        QString pendingAppId;
        bool pendingActivated = false;
    };

    // For the listeners.
    void add(zwlr_foreign_toplevel_handle_v1* handle);
    void remove(Toplevel* toplevel);

private:
    explicit WlrForeignToplevels(std::unique_ptr<WaylandConnection> connection);
    void dispatch();

    std::unique_ptr<WaylandConnection> m_connection;
    std::unique_ptr<QSocketNotifier> m_readable;
    zwlr_foreign_toplevel_manager_v1* m_manager = nullptr;
    std::list<Toplevel> m_toplevels;
    AppIdResolver m_resolver;
};
