#include "platform/linux/x11/ShmGrabber.h"

#include "platform/linux/x11/XcbConnection.h"
#include "platform/linux/x11/XcbReply.h"

#include <xcb/shm.h>

#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <utility>

namespace {
constexpr quint32 kAllPlanes = ~0u;
constexpr quint32 kOpaque = 0xff000000u;

QString requestError(const char* what, const xcb_generic_error_t* error)
{
    return QStringLiteral("the X server refused %1 (error %2)")
        .arg(QLatin1String(what))
        .arg(error ? error->error_code : 0);
}
}

ShmGrabber::~ShmGrabber()
{
    releaseSegment();
}

Result<Bitmap> ShmGrabber::grab(xcb_drawable_t drawable, quint8 depth, const QRect& rect, bool keepAlpha)
{
    m_reuseFrame = false;
    return grabInto(drawable, depth, rect, keepAlpha);
}

Result<Bitmap> ShmGrabber::grabFrame(xcb_drawable_t drawable, quint8 depth, const QRect& rect)
{
    m_reuseFrame = true;
    Result<Bitmap> frame = grabInto(drawable, depth, rect, false);
    m_reuseFrame = false;
    return frame;
}

QByteArray ShmGrabber::targetBuffer(qsizetype bytes)
{
    // Only our own reference left: nobody can see the pixels change.
    if (m_reuseFrame && m_frame.size() == bytes && m_frame.isDetached())
        return std::exchange(m_frame, QByteArray());
    return QByteArray(bytes, Qt::Uninitialized);
}

Result<Bitmap> ShmGrabber::grabInto(xcb_drawable_t drawable, quint8 depth, const QRect& rect, bool keepAlpha)
{
    if (rect.isEmpty())
        return Result<Bitmap>::failure(QStringLiteral("the area to read is empty"));
    if (!hasThirtyTwoBitPixels(depth))
        return Result<Bitmap>::failure(QStringLiteral("pixels of depth %1 are not supported").arg(depth));
    if (m_shmAllowed && !m_shmRefused && ensureSegment(size_t(rect.width()) * rect.height() * 4)) {
        Result<Bitmap> image = grabShm(drawable, rect, keepAlpha);
        m_lastUsedShm = image.ok();
        if (image || m_connection.isBroken())
            return image;
    }
    m_lastUsedShm = false;
    return grabPlain(drawable, rect, keepAlpha);
}

bool ShmGrabber::hasThirtyTwoBitPixels(quint8 depth) const
{
    const xcb_setup_t* setup = xcb_get_setup(m_connection.get());
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth)
            return (depth == 24 || depth == 32) && it.data->bits_per_pixel == 32;
    return false;
}

bool ShmGrabber::ensureSegment(size_t bytes)
{
    xcb_connection_t* c = m_connection.get();
    if (!m_shmChecked) {
        m_shmChecked = true;
        const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_shm_id);
        XcbReply<xcb_shm_query_version_reply_t> version;
        if (extension && extension->present)
            version.reset(xcb_shm_query_version_reply(c, xcb_shm_query_version(c), nullptr));
        if (!version)
            m_shmRefused = true;
    }
    if (m_shmRefused)
        return false;
    if (m_segment && m_size >= bytes)
        return true;
    releaseSegment();
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0)
        return false;
    void* memory = shmat(id, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return false;
    }
    const xcb_shm_seg_t segment = xcb_generate_id(c);
    XcbReply<xcb_generic_error_t> error(xcb_request_check(c, xcb_shm_attach_checked(c, segment, id, 0)));
    // Marked for removal now: the kernel frees it once both sides detach, even after a crash.
    shmctl(id, IPC_RMID, nullptr);
    if (error) {
        shmdt(memory);
        m_shmRefused = true;  // a remote or restricted server: it will not change its mind
        return false;
    }
    m_segment = segment;
    m_memory = memory;
    m_size = bytes;
    return true;
}

void ShmGrabber::releaseBuffers()
{
    releaseSegment();
    m_frame.clear();
}

void ShmGrabber::releaseSegment()
{
    if (!m_segment)
        return;
    if (!m_connection.isBroken()) {
        xcb_shm_detach(m_connection.get(), m_segment);
        xcb_flush(m_connection.get());
    }
    shmdt(m_memory);
    m_segment = 0;
    m_memory = nullptr;
    m_size = 0;
}

Result<Bitmap> ShmGrabber::grabShm(xcb_drawable_t drawable, const QRect& rect, bool keepAlpha)
{
    xcb_connection_t* c = m_connection.get();
    xcb_generic_error_t* rawError = nullptr;
    XcbReply<xcb_shm_get_image_reply_t> reply(
        xcb_shm_get_image_reply(c,
                                xcb_shm_get_image(c, drawable, rect.x(), rect.y(), rect.width(), rect.height(),
                                                  kAllPlanes, XCB_IMAGE_FORMAT_Z_PIXMAP, m_segment, 0),
                                &rawError));
    XcbReply<xcb_generic_error_t> error(rawError);
    if (!reply) {
        if (m_connection.isBroken())
            return Result<Bitmap>::failure(XcbConnection::lostMessage());
        return Result<Bitmap>::failure(requestError("the shared-memory image request", error.get()));
    }
    return copyPixels(static_cast<const uchar*>(m_memory), rect.width(), rect.height(), keepAlpha);
}

Result<Bitmap> ShmGrabber::grabPlain(xcb_drawable_t drawable, const QRect& rect, bool keepAlpha)
{
    xcb_connection_t* c = m_connection.get();
    xcb_generic_error_t* rawError = nullptr;
    XcbReply<xcb_get_image_reply_t> reply(
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, rect.x(), rect.y(), rect.width(),
                                          rect.height(), kAllPlanes),
                            &rawError));
    XcbReply<xcb_generic_error_t> error(rawError);
    if (!reply) {
        if (m_connection.isBroken())
            return Result<Bitmap>::failure(XcbConnection::lostMessage());
        return Result<Bitmap>::failure(requestError("the image request", error.get()));
    }
    if (xcb_get_image_data_length(reply.get()) < rect.width() * rect.height() * 4)
        return Result<Bitmap>::failure(QStringLiteral("the X server sent a short image"));
    return copyPixels(xcb_get_image_data(reply.get()), rect.width(), rect.height(), keepAlpha);
}

Bitmap ShmGrabber::copyPixels(const uchar* source, int width, int height, bool keepAlpha)
{
    const qsizetype count = qsizetype(width) * height;
    Bitmap image{width, height, width * 4, targetBuffer(count * 4)};
    if (keepAlpha) {
        std::memcpy(image.pixels.data(), source, size_t(count) * 4);
        return image;
    }
    // Depth 24 leaves the top byte undefined; the copy makes it opaque in the same pass.
    const auto* from = reinterpret_cast<const quint32*>(source);
    auto* to = reinterpret_cast<quint32*>(image.pixels.data());
    for (qsizetype i = 0; i < count; ++i)
        to[i] = from[i] | kOpaque;
    return image;
}
