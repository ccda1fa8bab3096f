#pragma once

#include "core/Result.h"
#include "platform/linux/IdleSource.h"

#include <QSocketNotifier>

#include <chrono>
#include <memory>

class WaylandConnection;
struct ext_idle_notification_v1;
struct ext_idle_notifier_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;
struct wl_seat;

// Idle time from the compositor's idle notifications: ext_idle_notifier_v1,
// or KDE's older org_kde_kwin_idle (sway 1.7). Both only say "no input for
// N ms" and "input again", so the notification is armed with the idle
// threshold and re-armed when it changes; while idle, the last input was
// the moment the notification fired minus N. Events are read as they come
// (from the event loop) and again whenever the gate asks.
class WaylandIdleSource : public IdleSource
{
public:
    enum class Protocol {
        ExtIdleNotifier,
        KdeIdle,
    };

    // A connection of its own to the compositor (WAYLAND_DISPLAY); fails when
    // it cannot be reached or offers no seat or not the protocol.
    static Result<std::unique_ptr<WaylandIdleSource>> connect(Protocol protocol);
    ~WaylandIdleSource() override;
    WaylandIdleSource(const WaylandIdleSource&) = delete;
    WaylandIdleSource& operator=(const WaylandIdleSource&) = delete;

    void setThreshold(double seconds) override;
    std::optional<double> secondsSinceLastInput() override;

    // The notification's events, for the listeners.
    void handleIdled();
    void handleResumed();

private:
    using Clock = std::chrono::steady_clock;

    WaylandIdleSource(Protocol protocol, std::unique_ptr<WaylandConnection> connection);
    void arm();
    void disarm();
    void dispatch();

    std::unique_ptr<WaylandConnection> m_connection;
    std::unique_ptr<QSocketNotifier> m_readable;
    wl_seat* m_seat = nullptr;
    ext_idle_notifier_v1* m_extNotifier = nullptr;
    org_kde_kwin_idle* m_kdeIdle = nullptr;
    ext_idle_notification_v1* m_extNotification = nullptr;
    org_kde_kwin_idle_timeout* m_kdeTimeout = nullptr;
    std::optional<quint32> m_thresholdMs;
    std::optional<Clock::time_point> m_idledAt;
};
