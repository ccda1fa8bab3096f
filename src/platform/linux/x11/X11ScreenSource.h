#pragma once

#include "core/capture/ScreenSource.h"
#include "platform/linux/x11/AppIdResolver.h"
#include "platform/linux/x11/StackedWindow.h"

#include <QByteArray>
#include <QMutex>

#include <functional>
#include <memory>

class X11Session;
class XcbConnection;

// The screen-capture service of an X11 session: displays from RandR, windows
// from the stacking order, one display's image through MIT-SHM with excluded
// windows taken out and the pointer drawn in. Keeps one connection and
// reconnects on the next call after the server went away. Calls may come
// from any thread, one at a time.
class X11ScreenSource : public ScreenSource
{
public:
    struct Options
    {
        QByteArray displayName;      // empty: DISPLAY
        bool allowShm = true;        // false: plain GetImage only
        bool allowComposite = true;  // false: excluded windows are painted over
        // Told once, at the first connection, what capture loses to an
        // extension the X server lacks (one sentence each).
        std::function<void(const QString&)> reportDegraded;
    };

    X11ScreenSource();
    explicit X11ScreenSource(Options options);
    ~X11ScreenSource() override;

    Result<ShareableContent> content() override;
    Result<Bitmap> capture(const DisplayInfo& display, const DisplayCaptureRequest& request) override;
    void releaseIdleBuffers() override;

    // Whether the last capture read the screen through shared memory.
    bool lastCaptureUsedShm() const { return m_lastUsedShm; }

private:
    Result<X11Session*> session();
    Result<Bitmap> grabDisplay(X11Session& session, const DisplayInfo& display, const DisplayCaptureRequest& request);
    Result<Bitmap> grabWithoutExcluded(X11Session& session, const QRect& area, const DisplayCaptureRequest& request);
    double desktopScale(X11Session& session);
    static bool isExcluded(const StackedWindow& window, const DisplayCaptureRequest& request);
    Result<Bitmap> failed(const DisplayInfo& display, const QString& reason);
    void reportMissingExtensions(XcbConnection& connection);

    Options m_options;
    QMutex m_lock;
    std::unique_ptr<X11Session> m_session;
    AppIdResolver m_resolver;
    bool m_lastUsedShm = false;
    bool m_extensionsReported = false;
};
