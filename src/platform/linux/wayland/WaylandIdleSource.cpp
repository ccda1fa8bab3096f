#include "platform/linux/wayland/WaylandIdleSource.h"

#include "platform/linux/wayland/WaylandConnection.h"
#include "wayland-protocols/ext-idle-notify-v1-client.h"
#include "wayland-protocols/idle-client.h"

#include <wayland-client.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

template <typename Proxy>
void idled(void* data, Proxy*)
{
    static_cast<WaylandIdleSource*>(data)->handleIdled();
}

template <typename Proxy>
void resumed(void* data, Proxy*)
{
    static_cast<WaylandIdleSource*>(data)->handleResumed();
}

const ext_idle_notification_v1_listener kExtListener = {idled<ext_idle_notification_v1>,
                                                        resumed<ext_idle_notification_v1>};
const org_kde_kwin_idle_timeout_listener kKdeListener = {idled<org_kde_kwin_idle_timeout>,
                                                         resumed<org_kde_kwin_idle_timeout>};

}  // namespace

Result<std::unique_ptr<WaylandIdleSource>> WaylandIdleSource::connect(Protocol protocol)
{
    using R = Result<std::unique_ptr<WaylandIdleSource>>;
    auto connection = WaylandConnection::open();
    if (!connection)
        return R::failure(connection.error());
    std::unique_ptr<WaylandIdleSource> source(new WaylandIdleSource(protocol, std::move(connection).value()));
    if (!source->m_seat)
        return R::failure(QStringLiteral("The Wayland compositor offers no seat"));
    if (!source->m_extNotifier && !source->m_kdeIdle)
        return R::failure(QStringLiteral("The Wayland compositor offers no %1")
                              .arg(protocol == Protocol::ExtIdleNotifier ? QStringLiteral("ext_idle_notifier_v1")
                                                                         : QStringLiteral("org_kde_kwin_idle")));
    return R(std::move(source));
}

WaylandIdleSource::WaylandIdleSource(Protocol protocol, std::unique_ptr<WaylandConnection> connection)
    : m_connection(std::move(connection))
{
    m_seat = static_cast<wl_seat*>(m_connection->bind(wl_seat_interface, 1));
    if (protocol == Protocol::ExtIdleNotifier)
        m_extNotifier = static_cast<ext_idle_notifier_v1*>(m_connection->bind(ext_idle_notifier_v1_interface, 1));
    else
        m_kdeIdle = static_cast<org_kde_kwin_idle*>(m_connection->bind(org_kde_kwin_idle_interface, 1));
    m_readable = std::make_unique<QSocketNotifier>(wl_display_get_fd(m_connection->display()), QSocketNotifier::Read);
    QObject::connect(m_readable.get(), &QSocketNotifier::activated, m_readable.get(), [this] { dispatch(); });
}

WaylandIdleSource::~WaylandIdleSource()
{
    m_readable.reset();
    disarm();
    if (m_extNotifier)
        ext_idle_notifier_v1_destroy(m_extNotifier);
    if (m_kdeIdle)
        org_kde_kwin_idle_destroy(m_kdeIdle);
    if (m_seat)
        wl_seat_destroy(m_seat);
    wl_display_flush(m_connection->display());
}

void WaylandIdleSource::setThreshold(double seconds)
{
    const auto milliseconds = quint32(std::clamp(std::lround(seconds * 1000), 1L, long(UINT32_MAX)));
    if (m_thresholdMs == milliseconds)
        return;
    m_thresholdMs = milliseconds;
    arm();
}

// A new notification counts from now: the compositor says "idle" once no
// input came for the whole threshold after it was made.
void WaylandIdleSource::arm()
{
    disarm();
    if (m_extNotifier) {
        m_extNotification = ext_idle_notifier_v1_get_idle_notification(m_extNotifier, *m_thresholdMs, m_seat);
        ext_idle_notification_v1_add_listener(m_extNotification, &kExtListener, this);
    } else {
        m_kdeTimeout = org_kde_kwin_idle_get_idle_timeout(m_kdeIdle, m_seat, *m_thresholdMs);
        org_kde_kwin_idle_timeout_add_listener(m_kdeTimeout, &kKdeListener, this);
    }
    wl_display_flush(m_connection->display());
}

void WaylandIdleSource::disarm()
{
    if (m_extNotification)
        ext_idle_notification_v1_destroy(m_extNotification);
    if (m_kdeTimeout)
        org_kde_kwin_idle_timeout_release(m_kdeTimeout);
    m_extNotification = nullptr;
    m_kdeTimeout = nullptr;
    m_idledAt.reset();
}

void WaylandIdleSource::dispatch()
{
    if (!m_connection->dispatchAvailable())
        m_readable->setEnabled(false);  // the compositor is gone; the answers stop
}

void WaylandIdleSource::handleIdled()
{
    m_idledAt = Clock::now();
}

void WaylandIdleSource::handleResumed()
{
    m_idledAt.reset();
}

std::optional<double> WaylandIdleSource::secondsSinceLastInput()
{
    dispatch();
    if (!m_thresholdMs || m_connection->isBroken())
        return std::nullopt;
    if (!m_idledAt)
        return 0.0;  // input came within the threshold
    const double sinceIdled = std::chrono::duration<double>(Clock::now() - *m_idledAt).count();
    return sinceIdled + *m_thresholdMs / 1000.0;
}
