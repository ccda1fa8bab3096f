#pragma once

#include "core/Result.h"
#include "core/capture/Bitmap.h"

#include <QRect>

#include <xcb/xcb.h>

class XcbConnection;

// Reads a rectangle of a window or pixmap into a Bitmap. Uses one MIT-SHM
// segment that it keeps between grabs (grown when needed) and falls back to
// a plain GetImage when the server has no SHM or refuses it. Expects the
// common 32 bits per pixel layout for depths 24 and 32.
class ShmGrabber
{
public:
    explicit ShmGrabber(XcbConnection& connection) : m_connection(connection) {}
    ~ShmGrabber();
    ShmGrabber(const ShmGrabber&) = delete;
    ShmGrabber& operator=(const ShmGrabber&) = delete;

    void setShmAllowed(bool allowed) { m_shmAllowed = allowed; }
    bool usesShm() const { return m_shmAllowed && m_segment != 0; }

    // keepAlpha: the drawable has a real alpha channel (depth 32); otherwise the
    // pixels come out opaque.
    Result<Bitmap> grab(xcb_drawable_t drawable, quint8 depth, const QRect& rect, bool keepAlpha = false);

private:
    bool ensureSegment(size_t bytes);
    void releaseSegment();
    Result<Bitmap> grabShm(xcb_drawable_t drawable, const QRect& rect, bool keepAlpha);
    Result<Bitmap> grabPlain(xcb_drawable_t drawable, const QRect& rect, bool keepAlpha);
    bool hasThirtyTwoBitPixels(quint8 depth) const;
    static Bitmap copyPixels(const uchar* source, int width, int height, bool keepAlpha);

    XcbConnection& m_connection;
    bool m_shmAllowed = true;
    bool m_shmChecked = false;
    quint32 m_segment = 0;  // xcb_shm_seg_t
    int m_shmId = -1;
    void* m_memory = nullptr;
    size_t m_size = 0;
};
