#pragma once

#include "core/Result.h"
#include "platform/linux/wayland/WaylandOutputInfo.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>

#include <functional>
#include <memory>

struct wl_display;
struct wl_interface;
struct wl_output;
struct wl_registry;
struct wl_shm;
struct zwlr_screencopy_manager_v1;
struct zxdg_output_manager_v1;

// One client connection to a Wayland compositor and the globals screen
// capture needs: wl_shm, the outputs with their xdg-output facts, and
// wlroots screencopy when the compositor offers it. Not thread-safe; the
// owner serialises calls.
class WaylandConnection
{
public:
    // name: a socket name or path; empty means WAYLAND_DISPLAY.
    static Result<std::unique_ptr<WaylandConnection>> open(const QByteArray& name = {});
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    static QString lostMessage();

    wl_display* display() const { return m_display; }
    wl_shm* shm() const { return m_shm; }
    zwlr_screencopy_manager_v1* screencopy() const { return m_screencopy; }
    bool isBroken() const;

    // Reads what the compositor announced since the last call (outputs
    // plugged in or out, changed modes).
    Result<void> refresh();
    QList<WaylandOutputInfo> outputs() const;
    wl_output* output(quint32 globalName) const;

    // Dispatches events until `done` is true, the connection breaks or the time is up.
    Result<void> dispatchUntil(const std::function<bool()>& done, int timeoutMs);
    // Dispatches the events that have arrived, without waiting for more.
    Result<void> dispatchAvailable();

    // Binds the first global of `interface` the compositor announced, at
    // most at `maxVersion`; null when it has none. The caller owns the proxy.
    void* bind(const wl_interface& interface, quint32 maxVersion) const;
    QByteArrayList globalInterfaces() const;

private:
    struct Output;
    struct Global
    {
        quint32 name = 0;
        QByteArray interface;
        quint32 version = 0;
    };

    WaylandConnection() = default;
    Result<void> roundtrip();
    void addOutput(quint32 name, quint32 version);
    void describeOutput(Output& output);
    void removeGlobal(quint32 name);

    static void onGlobal(void* data, wl_registry* registry, quint32 name, const char* interface, quint32 version);
    static void onGlobalRemove(void* data, wl_registry* registry, quint32 name);

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_shm* m_shm = nullptr;
    zwlr_screencopy_manager_v1* m_screencopy = nullptr;
    zxdg_output_manager_v1* m_outputManager = nullptr;
    QList<std::shared_ptr<Output>> m_outputs;
    QList<Global> m_globals;
};
