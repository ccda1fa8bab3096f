#pragma once

#include "core/Bitmap.h"
#include "core/Result.h"

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
    explicit ShmGrabber(XcbConnection& connection)
        : m_connection(connection)
    {
    }
    ~ShmGrabber();
    ShmGrabber(const ShmGrabber&) = delete;
    ShmGrabber& operator=(const ShmGrabber&) = delete;

    void setShmAllowed(bool allowed) { m_shmAllowed = allowed; }
    bool lastGrabUsedShm() const { return m_lastUsedShm; }

    // keepAlpha: the drawable has a real alpha channel (depth 32); otherwise the
    // pixels come out opaque.
    Result<Bitmap> grab(xcb_drawable_t drawable, quint8 depth, const QRect& rect, bool keepAlpha = false);
    // Like grab(), for whole frames taken again and again: the buffer handed to
    // keepFrame() last time is written over when nobody else holds it any
    // more, which spares allocating and faulting in a fresh one every time.
    Result<Bitmap> grabFrame(xcb_drawable_t drawable, quint8 depth, const QRect& rect);
    // Called once the frame is finished (drawing into a shared buffer would copy it).
    void keepFrame(const QByteArray& pixels) { m_frame = pixels; }
    // Lets go of the segment and the kept frame; the next grab sets them up again.
    void releaseBuffers();

private:
    bool ensureSegment(size_t bytes);
    void releaseSegment();
    Result<Bitmap> grabShm(xcb_drawable_t drawable, const QRect& rect, bool keepAlpha);
    Result<Bitmap> grabPlain(xcb_drawable_t drawable, const QRect& rect, bool keepAlpha);
    bool hasThirtyTwoBitPixels(quint8 depth) const;
    Result<Bitmap> grabInto(xcb_drawable_t drawable, quint8 depth, const QRect& rect, bool keepAlpha);
    QByteArray targetBuffer(qsizetype bytes);
    Bitmap copyPixels(const uchar* source, int width, int height, bool keepAlpha);

    XcbConnection& m_connection;
    bool m_shmAllowed = true;
    bool m_shmChecked = false;
    bool m_shmRefused = false;  // no extension, or the server would not attach our segment
    bool m_lastUsedShm = false;
    quint32 m_segment = 0;  // xcb_shm_seg_t
    void* m_memory = nullptr;
    size_t m_size = 0;
    bool m_reuseFrame = false;
    QByteArray m_frame;  // the last frame's pixels, shared with whoever took that frame
};
