#pragma once

#include "core/capture/ScreenCapturePermission.h"

#include <memory>

class PortalGrant;

// The consent of a desktop that shares its screen through the screen-cast
// portal (GNOME, KDE Plasma and others): granted while a grant the desktop
// accepted at the last session start is stored; asking starts a session
// without one, so the desktop shows its own consent dialog.
class PortalCapturePermission : public ScreenCapturePermission
{
public:
    explicit PortalCapturePermission(std::shared_ptr<PortalGrant> grant);

    bool isGranted() override;
    void request() override;

private:
    std::shared_ptr<PortalGrant> m_grant;
};
