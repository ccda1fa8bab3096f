#include "platform/linux/wayland/ScreencopyScreenSource.h"

#include "platform/linux/wayland/OutputIdentity.h"
#include "platform/linux/wayland/ShmBuffer.h"
#include "platform/linux/wayland/ShmPixels.h"
#include "platform/linux/wayland/WaylandConnection.h"
#include "platform/linux/x11/BitmapScaler.h"

#include "wayland-protocols/wlr-screencopy-unstable-v1-client.h"

#include <QMutexLocker>

#include <wayland-client.h>

#include <malloc.h>

struct ScreencopyScreenSource::Frame
{
    enum class State { Waiting, Offered, Ready, Failed };
    zwlr_screencopy_frame_v1* handle = nullptr;
    State state = State::Waiting;
    ShmPixels::Layout layout;

    ~Frame()
    {
        if (handle)
            zwlr_screencopy_frame_v1_destroy(handle);
    }

    static void onBuffer(void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width, uint32_t height,
                         uint32_t stride)
    {
        auto* frame = static_cast<Frame*>(data);
        frame->layout.format = format;
        frame->layout.width = int(width);
        frame->layout.height = int(height);
        frame->layout.stride = int(stride);
        frame->state = State::Offered;
    }
    static void onFlags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags)
    {
        static_cast<Frame*>(data)->layout.yInverted = flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
    }
    static void onReady(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t)
    {
        static_cast<Frame*>(data)->state = State::Ready;
    }
    static void onFailed(void* data, zwlr_screencopy_frame_v1*) { static_cast<Frame*>(data)->state = State::Failed; }
};

ScreencopyScreenSource::ScreencopyScreenSource(QByteArray displayName)
    : m_displayName(std::move(displayName))
{
}

ScreencopyScreenSource::~ScreencopyScreenSource()
{
    m_buffer.reset();
    m_connection.reset();
}

Result<ShareableContent> ScreencopyScreenSource::content()
{
    QMutexLocker lock(&m_lock);
    Result<WaylandConnection*> current = connection();
    if (!current)
        return Result<ShareableContent>::failure(current.error());
    Result<void> refreshed = (*current)->refresh();
    if (!refreshed) {
        m_connection.reset();
        return Result<ShareableContent>::failure(refreshed.error());
    }
    ShareableContent content;
    for (const WaylandOutputInfo& output : (*current)->outputs())
        if (output.width > 0 && output.height > 0)
            content.displays.append(OutputIdentity::describe(output));
    return content;
}

void ScreencopyScreenSource::releaseIdleBuffers()
{
    QMutexLocker lock(&m_lock);
    m_buffer.reset();
    ::malloc_trim(0);
}

Result<Bitmap> ScreencopyScreenSource::capture(const DisplayInfo& display, const DisplayCaptureRequest& request)
{
    QMutexLocker lock(&m_lock);
    Result<WaylandConnection*> current = connection();
    if (!current)
        return failed(display, current.error());
    Result<Bitmap> image = grab(**current, display, request.showsCursor);
    if (!image && (*current)->isBroken()) {
        m_buffer.reset();
        m_connection.reset();
        return Result<Bitmap>::failure(WaylandConnection::lostMessage());
    }
    if (image && request.outputWidth > 0 && request.outputHeight > 0
        && (request.outputWidth != image->width || request.outputHeight != image->height))
        return BitmapScaler::scaled(*image, request.outputWidth, request.outputHeight);
    return image;
}

Result<Bitmap> ScreencopyScreenSource::grab(WaylandConnection& connection, const DisplayInfo& display, bool showsCursor)
{
    wl_output* output = connection.output(display.facts.displayNumber);
    if (!output)
        return failed(display, QStringLiteral("the output is gone"));
    Frame frame;
    frame.handle = zwlr_screencopy_manager_v1_capture_output(connection.screencopy(), showsCursor ? 1 : 0, output);
    static const zwlr_screencopy_frame_v1_listener listener = {Frame::onBuffer, Frame::onFlags, Frame::onReady,
                                                               Frame::onFailed};
    zwlr_screencopy_frame_v1_add_listener(frame.handle, &listener, &frame);
    Result<Bitmap> image = copyFrame(connection, frame);
    if (!image)
        return failed(display, image.error());
    return image;
}

Result<Bitmap> ScreencopyScreenSource::copyFrame(WaylandConnection& connection, Frame& frame)
{
    using State = Frame::State;
    Result<void> offered = connection.dispatchUntil([&] { return frame.state != State::Waiting; }, kFrameTimeoutMs);
    if (!offered)
        return Result<Bitmap>::failure(offered.error());
    if (frame.state == State::Failed)
        return Result<Bitmap>::failure(QStringLiteral("the compositor refused to copy the output"));
    const ShmPixels::Layout& layout = frame.layout;
    if (!ShmPixels::isSupported(layout.format))
        return ShmPixels::toBitmap(nullptr, layout);
    if (!m_buffer || !m_buffer->fits(layout.format, layout.width, layout.height, layout.stride)) {
        m_buffer.reset();
        auto made = ShmBuffer::create(connection.shm(), layout.format, layout.width, layout.height, layout.stride);
        if (!made)
            return Result<Bitmap>::failure(made.error());
        m_buffer = std::move(made).value();
    }
    zwlr_screencopy_frame_v1_copy(frame.handle, m_buffer->buffer());
    Result<void> copied = connection.dispatchUntil(
        [&] { return frame.state == State::Ready || frame.state == State::Failed; }, kFrameTimeoutMs);
    if (!copied)
        return Result<Bitmap>::failure(copied.error());
    if (frame.state == State::Failed)
        return Result<Bitmap>::failure(QStringLiteral("the compositor could not copy the output"));
    return ShmPixels::toBitmap(m_buffer->data(), layout);
}

Result<WaylandConnection*> ScreencopyScreenSource::connection()
{
    if (m_connection && m_connection->isBroken()) {
        m_buffer.reset();
        m_connection.reset();
    }
    if (!m_connection) {
        auto opened = WaylandConnection::open(m_displayName);
        if (!opened)
            return Result<WaylandConnection*>::failure(opened.error());
        if (!(*opened)->screencopy())
            return Result<WaylandConnection*>::failure(
                QStringLiteral("The Wayland compositor offers no wlroots screen copy"));
        m_connection = std::move(opened).value();
    }
    return m_connection.get();
}

Result<Bitmap> ScreencopyScreenSource::failed(const DisplayInfo& display, const QString& reason)
{
    if (reason == WaylandConnection::lostMessage())
        return Result<Bitmap>::failure(reason);
    return Result<Bitmap>::failure(
        QStringLiteral("Couldn't read the screen of display %1: %2").arg(display.name, reason));
}
