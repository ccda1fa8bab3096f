#include "platform/linux/wayland/WlrForeignToplevels.h"

#include "platform/linux/wayland/WaylandConnection.h"
#include "wayland-protocols/wlr-foreign-toplevel-management-unstable-v1-client.h"

#include <wayland-client.h>

#include <cstddef>
#include <cstdint>

namespace {

using Toplevel = WlrForeignToplevels::Toplevel;

void title(void*, zwlr_foreign_toplevel_handle_v1*, const char*)
{
}

void appId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* id)
{
    static_cast<Toplevel*>(data)->pendingAppId = QString::fromUtf8(id);
}

void outputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*)
{
}

void outputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*)
{
}

void state(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states)
{
    bool activated = false;
    const auto* entry = static_cast<const uint32_t*>(states->data);
    for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i)
        activated |= entry[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
    static_cast<Toplevel*>(data)->pendingActivated = activated;
}

void done(void* data, zwlr_foreign_toplevel_handle_v1*)
{
    auto* toplevel = static_cast<Toplevel*>(data);
    toplevel->appId = toplevel->pendingAppId;
    toplevel->activated = toplevel->pendingActivated;
}

void closed(void* data, zwlr_foreign_toplevel_handle_v1*)
{
    auto* toplevel = static_cast<Toplevel*>(data);
    toplevel->owner->remove(toplevel);
}

void parent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*)
{
}

const zwlr_foreign_toplevel_handle_v1_listener kHandleListener = {title, appId, outputEnter, outputLeave,
                                                                  state, done,  closed,      parent};

void announced(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle)
{
    static_cast<WlrForeignToplevels*>(data)->add(handle);
}

void finished(void*, zwlr_foreign_toplevel_manager_v1*)
{
}

const zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {announced, finished};

}  // namespace

Result<std::unique_ptr<WlrForeignToplevels>> WlrForeignToplevels::connect()
{
    using R = Result<std::unique_ptr<WlrForeignToplevels>>;
    auto connection = WaylandConnection::open();
    if (!connection)
        return R::failure(connection.error());
    std::unique_ptr<WlrForeignToplevels> source(new WlrForeignToplevels(std::move(connection).value()));
    if (!source->m_manager)
        return R::failure(QStringLiteral("The Wayland compositor offers no zwlr_foreign_toplevel_manager_v1"));
    // The toplevels open now arrive with the next round trip.
    if (Result<void> listed = source->m_connection->refresh(); !listed)
        return R::failure(listed.error());
    return R(std::move(source));
}

WlrForeignToplevels::WlrForeignToplevels(std::unique_ptr<WaylandConnection> connection)
    : m_connection(std::move(connection))
{
    m_manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        m_connection->bind(zwlr_foreign_toplevel_manager_v1_interface, 3));
    if (m_manager)
        zwlr_foreign_toplevel_manager_v1_add_listener(m_manager, &kManagerListener, this);
    m_readable = std::make_unique<QSocketNotifier>(wl_display_get_fd(m_connection->display()), QSocketNotifier::Read);
    QObject::connect(m_readable.get(), &QSocketNotifier::activated, m_readable.get(), [this] { dispatch(); });
}

WlrForeignToplevels::~WlrForeignToplevels()
{
    m_readable.reset();
    for (Toplevel& toplevel : m_toplevels)
        zwlr_foreign_toplevel_handle_v1_destroy(toplevel.handle);
    if (m_manager) {
        zwlr_foreign_toplevel_manager_v1_stop(m_manager);
        zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
    }
    wl_display_flush(m_connection->display());
}

void WlrForeignToplevels::add(zwlr_foreign_toplevel_handle_v1* handle)
{
    Toplevel& toplevel = m_toplevels.emplace_back();
    toplevel.owner = this;
    toplevel.handle = handle;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandleListener, &toplevel);
}

void WlrForeignToplevels::remove(Toplevel* toplevel)
{
    zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
    m_toplevels.remove_if([toplevel](const Toplevel& t) { return &t == toplevel; });
}

void WlrForeignToplevels::dispatch()
{
    if (!m_connection->dispatchAvailable())
        m_readable->setEnabled(false);  // the compositor is gone; the answers stop
}

std::optional<QString> WlrForeignToplevels::frontmostAppId()
{
    dispatch();
    if (m_connection->isBroken())
        return std::nullopt;
    for (const Toplevel& toplevel : m_toplevels) {
        if (toplevel.activated && !toplevel.appId.isEmpty()) {
            const QString id = m_resolver.fromAppId(toplevel.appId);
            return id.isEmpty() ? std::nullopt : std::optional<QString>(id);
        }
    }
    return std::nullopt;
}
