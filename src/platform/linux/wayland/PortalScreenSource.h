#pragma once

#include "core/capture/ScreenSource.h"
#include "platform/linux/wayland/PortalScreenCast.h"
#include "platform/linux/wayland/WaylandOutputInfo.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QMutex>

#include <memory>

class PipeWireFrames;
class PortalGrant;

// The screen-capture service of a desktop that shares its screen through
// the screen-cast portal and PipeWire (GNOME, KDE Plasma and others). One
// session, started with the stored grant (or, without one, by asking the
// user once), lasts while its displays and cursor setting stay; its streams
// idle between captures. Displays are named as screen copy names them when
// the compositor's outputs tell which one a stream shows. The desktop hands
// out the composited screen, so excluded windows cannot be taken out.
// Calls may come from any thread, one at a time.
//
// Idle streams, not a session reopened per capture (bench_capture_wayland
// --portal, headless sway and xdg-desktop-portal-wlr, 1920x1080, each
// capture after a background change): 1.5 ms of our CPU + 31 ms of the
// compositor's and portal's per capture with the session kept, against
// 20 + 83 ms when each capture starts a session from the stored grant.
class PortalScreenSource : public ScreenSource
{
public:
    PortalScreenSource(std::shared_ptr<PortalGrant> grant, QByteArray waylandDisplay = {});
    ~PortalScreenSource() override;

    Result<ShareableContent> content() override;
    Result<Bitmap> capture(const DisplayInfo& display, const DisplayCaptureRequest& request) override;

    // Displays named from what the compositor says of its outputs, where one
    // sits at the stream's place; otherwise by their place in the layout.
    static QList<DisplayInfo> describe(const QList<PortalScreenCast::Stream>& streams,
                                       const QList<WaylandOutputInfo>& outputs);

    // How often an open session asks whether its grant still holds.
    static constexpr qint64 kGrantCheckMs = 30000;

private:
    Result<void> open(bool showsCursor);
    void closeSession();

    std::shared_ptr<PortalGrant> m_grant;
    QByteArray m_waylandDisplay;
    QMutex m_lock;
    std::optional<PortalScreenCast::Session> m_session;
    std::unique_ptr<PipeWireFrames> m_frames;
    QList<DisplayInfo> m_displays;  // of this session, displayNumber the stream's node
    bool m_showsCursor = false;     // as the last capture asked
    bool m_refused = false;         // asked once in this process and refused: not asked again
    quint64 m_openedAfter = 0;      // the grant's forgotten count when the session opened
    QElapsedTimer m_grantChecked;   // since the desktop was last asked whether the grant holds
};
