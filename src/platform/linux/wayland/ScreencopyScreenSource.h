#pragma once

#include "core/capture/ScreenSource.h"

#include <QByteArray>
#include <QMutex>

#include <memory>

class ShmBuffer;
class WaylandConnection;

// The screen-capture service of a wlroots compositor (sway, Hyprland, river,
// labwc): outputs from wl_output and xdg-output, each captured whole with
// zwlr_screencopy_manager_v1 into shared memory, no dialog. The compositor
// hands out the composited output, so excluded windows cannot be taken out.
// Keeps one connection and reconnects on the next call after it broke.
// Calls may come from any thread, one at a time.
class ScreencopyScreenSource : public ScreenSource
{
public:
    explicit ScreencopyScreenSource(QByteArray displayName = {});
    ~ScreencopyScreenSource() override;

    Result<ShareableContent> content() override;
    Result<Bitmap> capture(const DisplayInfo& display, const DisplayCaptureRequest& request) override;
    void releaseIdleBuffers() override;

    static constexpr int kFrameTimeoutMs = 5000;

private:
    struct Frame;

    Result<WaylandConnection*> connection();
    Result<Bitmap> grab(WaylandConnection& connection, const DisplayInfo& display, bool showsCursor);
    Result<Bitmap> copyFrame(WaylandConnection& connection, Frame& frame);
    Result<Bitmap> failed(const DisplayInfo& display, const QString& reason);

    QByteArray m_displayName;
    QMutex m_lock;
    std::unique_ptr<WaylandConnection> m_connection;
    std::unique_ptr<ShmBuffer> m_buffer;  // kept while outputs keep their size
};
