#include "platform/linux/wayland/WaylandConnection.h"

#include "wayland-protocols/wlr-screencopy-unstable-v1-client.h"
#include "wayland-protocols/xdg-output-unstable-v1-client.h"

#include <QDeadlineTimer>
#include <QString>

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>

struct WaylandConnection::Output
{
    WaylandOutputInfo info;
    wl_output* output = nullptr;
    zxdg_output_v1* xdgOutput = nullptr;

    ~Output()
    {
        if (xdgOutput)
            zxdg_output_v1_destroy(xdgOutput);
        if (output) {
            if (wl_output_get_version(output) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
                wl_output_release(output);
            else
                wl_output_destroy(output);
        }
    }
};

namespace {

QString fromUtf8(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// The listeners below write into the WaylandOutputInfo they were given.
void outputGeometry(void* data, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char* make,
                    const char* model, int32_t)
{
    auto* info = static_cast<WaylandOutputInfo*>(data);
    info->make = fromUtf8(make);
    info->model = fromUtf8(model);
}

void outputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t)
{
    if (!(flags & WL_OUTPUT_MODE_CURRENT))
        return;
    auto* info = static_cast<WaylandOutputInfo*>(data);
    info->width = width;
    info->height = height;
}

void outputDone(void*, wl_output*)
{
}

void outputScale(void* data, wl_output*, int32_t factor)
{
    static_cast<WaylandOutputInfo*>(data)->scale = factor;
}

void outputName(void* data, wl_output*, const char* name)
{
    static_cast<WaylandOutputInfo*>(data)->connector = fromUtf8(name);
}

void outputDescription(void* data, wl_output*, const char* description)
{
    static_cast<WaylandOutputInfo*>(data)->description = fromUtf8(description);
}

const wl_output_listener kOutputListener = {outputGeometry, outputMode, outputDone,
                                            outputScale,    outputName, outputDescription};

void xdgPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y)
{
    auto* info = static_cast<WaylandOutputInfo*>(data);
    info->x = x;
    info->y = y;
}

void xdgSize(void* data, zxdg_output_v1*, int32_t width, int32_t height)
{
    auto* info = static_cast<WaylandOutputInfo*>(data);
    info->logicalWidth = width;
    info->logicalHeight = height;
}

void xdgDone(void*, zxdg_output_v1*)
{
}

// wl_output version 4 says the same; older compositors say it only here.
void xdgName(void* data, zxdg_output_v1*, const char* name)
{
    auto* info = static_cast<WaylandOutputInfo*>(data);
    if (info->connector.isEmpty())
        info->connector = fromUtf8(name);
}

void xdgDescription(void* data, zxdg_output_v1*, const char* description)
{
    auto* info = static_cast<WaylandOutputInfo*>(data);
    if (info->description.isEmpty())
        info->description = fromUtf8(description);
}

const zxdg_output_v1_listener kXdgOutputListener = {xdgPosition, xdgSize, xdgDone, xdgName, xdgDescription};

}  // namespace

Result<std::unique_ptr<WaylandConnection>> WaylandConnection::open(const QByteArray& name)
{
    using R = Result<std::unique_ptr<WaylandConnection>>;
    std::unique_ptr<WaylandConnection> c(new WaylandConnection);
    c->m_display = wl_display_connect(name.isEmpty() ? nullptr : name.constData());
    if (!c->m_display)
        return R::failure(
            QStringLiteral("Cannot connect to the Wayland compositor (%1): %2")
                .arg(name.isEmpty() ? qEnvironmentVariable("WAYLAND_DISPLAY") : QString::fromLocal8Bit(name),
                     QString::fromLocal8Bit(strerror(errno))));
    static const wl_registry_listener listener = {onGlobal, onGlobalRemove};
    c->m_registry = wl_display_get_registry(c->m_display);
    wl_registry_add_listener(c->m_registry, &listener, c.get());
    // The first round trip lists the globals, the second their first events.
    Result<void> listed = c->roundtrip();
    if (listed)
        listed = c->refresh();
    if (!listed)
        return R::failure(listed.error());
    if (!c->m_shm)
        return R::failure(QStringLiteral("The Wayland compositor offers no shared memory (wl_shm)"));
    return R(std::move(c));
}

WaylandConnection::~WaylandConnection()
{
    m_outputs.clear();
    if (m_screencopy)
        zwlr_screencopy_manager_v1_destroy(m_screencopy);
    if (m_outputManager)
        zxdg_output_manager_v1_destroy(m_outputManager);
    if (m_shm)
        wl_shm_destroy(m_shm);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
}

QString WaylandConnection::lostMessage()
{
    return QStringLiteral("The connection to the Wayland compositor was lost");
}

bool WaylandConnection::isBroken() const
{
    return wl_display_get_error(m_display) != 0;
}

Result<void> WaylandConnection::roundtrip()
{
    if (wl_display_roundtrip(m_display) < 0)
        return Result<void>::failure(lostMessage());
    return Result<void>::success();
}

Result<void> WaylandConnection::refresh()
{
    for (const auto& output : std::as_const(m_outputs))
        describeOutput(*output);
    return roundtrip();
}

void WaylandConnection::onGlobal(void* data, wl_registry* registry, quint32 name, const char* interface,
                                 quint32 version)
{
    auto* self = static_cast<WaylandConnection*>(data);
    const QByteArray kind(interface);
    self->m_globals.append({name, kind, version});
    if (kind == wl_shm_interface.name && !self->m_shm)
        self->m_shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    else if (kind == zwlr_screencopy_manager_v1_interface.name && !self->m_screencopy)
        self->m_screencopy = static_cast<zwlr_screencopy_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_screencopy_manager_v1_interface, 1));
    else if (kind == zxdg_output_manager_v1_interface.name && !self->m_outputManager)
        self->m_outputManager = static_cast<zxdg_output_manager_v1*>(
            wl_registry_bind(registry, name, &zxdg_output_manager_v1_interface, qMin(version, 3u)));
    else if (kind == wl_output_interface.name)
        self->addOutput(name, version);
}

void WaylandConnection::onGlobalRemove(void* data, wl_registry*, quint32 name)
{
    static_cast<WaylandConnection*>(data)->removeGlobal(name);
}

void WaylandConnection::addOutput(quint32 name, quint32 version)
{
    auto output = std::make_shared<Output>();
    output->info.globalName = name;
    output->output = static_cast<wl_output*>(
        wl_registry_bind(m_registry, name, &wl_output_interface, qMin(version, 4u)));
    wl_output_add_listener(output->output, &kOutputListener, &output->info);
    m_outputs.append(output);
}

// The xdg-output facts of an output are asked for once the manager is known,
// which may be after the output was announced.
void WaylandConnection::describeOutput(Output& output)
{
    if (output.xdgOutput || !m_outputManager)
        return;
    output.xdgOutput = zxdg_output_manager_v1_get_xdg_output(m_outputManager, output.output);
    zxdg_output_v1_add_listener(output.xdgOutput, &kXdgOutputListener, &output.info);
}

void WaylandConnection::removeGlobal(quint32 name)
{
    m_globals.removeIf([name](const Global& g) { return g.name == name; });
    m_outputs.removeIf([name](const std::shared_ptr<Output>& o) { return o->info.globalName == name; });
}

QList<WaylandOutputInfo> WaylandConnection::outputs() const
{
    QList<WaylandOutputInfo> list;
    for (const auto& output : m_outputs)
        list.append(output->info);
    return list;
}

wl_output* WaylandConnection::output(quint32 globalName) const
{
    for (const auto& output : m_outputs)
        if (output->info.globalName == globalName)
            return output->output;
    return nullptr;
}

Result<void> WaylandConnection::dispatchUntil(const std::function<bool()>& done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (wl_display_dispatch_pending(m_display) < 0)
            return Result<void>::failure(lostMessage());
        if (done())
            break;
        while (wl_display_prepare_read(m_display) != 0)
            if (wl_display_dispatch_pending(m_display) < 0)
                return Result<void>::failure(lostMessage());
        if (wl_display_flush(m_display) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(m_display);
            return Result<void>::failure(lostMessage());
        }
        pollfd fd{wl_display_get_fd(m_display), POLLIN, 0};
        const int remaining = int(qMax<qint64>(0, deadline.remainingTime()));
        const int ready = poll(&fd, 1, remaining);
        if (ready <= 0) {
            wl_display_cancel_read(m_display);
            if (ready == 0)
                return Result<void>::failure(
                    QStringLiteral("the compositor did not answer within %1 seconds").arg(timeoutMs / 1000));
            if (errno == EINTR)
                continue;
            return Result<void>::failure(lostMessage());
        }
        if (wl_display_read_events(m_display) < 0)
            return Result<void>::failure(lostMessage());
    }
    return Result<void>::success();
}

Result<void> WaylandConnection::dispatchAvailable()
{
    while (wl_display_prepare_read(m_display) != 0)
        if (wl_display_dispatch_pending(m_display) < 0)
            return Result<void>::failure(lostMessage());
    wl_display_flush(m_display);
    pollfd fd{wl_display_get_fd(m_display), POLLIN, 0};
    if (poll(&fd, 1, 0) > 0) {
        if (wl_display_read_events(m_display) < 0)
            return Result<void>::failure(lostMessage());
    } else {
        wl_display_cancel_read(m_display);
    }
    if (wl_display_dispatch_pending(m_display) < 0)
        return Result<void>::failure(lostMessage());
    return Result<void>::success();
}

void* WaylandConnection::bind(const wl_interface& interface, quint32 maxVersion) const
{
    for (const Global& global : m_globals)
        if (global.interface == interface.name)
            return wl_registry_bind(m_registry, global.name, &interface, qMin(global.version, maxVersion));
    return nullptr;
}

QByteArrayList WaylandConnection::globalInterfaces() const
{
    QByteArrayList interfaces;
    for (const Global& global : m_globals)
        interfaces.append(global.interface);
    return interfaces;
}
