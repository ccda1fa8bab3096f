#include "platform/linux/wayland/PortalCapturePermission.h"

#include "platform/linux/wayland/PortalGrant.h"

PortalCapturePermission::PortalCapturePermission(std::shared_ptr<PortalGrant> grant)
    : m_grant(std::move(grant))
{
}

bool PortalCapturePermission::isGranted()
{
    return m_grant->exists();
}

void PortalCapturePermission::request()
{
    // The session was only wanted for the grant it leaves behind.
    const PortalScreenCast::Started started = m_grant->start(false, false);
    if (started.session)
        m_grant->close(started.session->handle);
}
