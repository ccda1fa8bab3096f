#include "platform/linux/wayland/PipeWireFrames.h"

#include "platform/linux/wayland/ShmPixels.h"

#include <QString>

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>
#include <wayland-client-protocol.h>

#include <cerrno>
#include <mutex>

namespace {

// The frame's byte order named as the wl_shm format ShmPixels reads.
quint32 shmFormat(uint32_t videoFormat)
{
    switch (videoFormat) {
    case SPA_VIDEO_FORMAT_BGRx:
        return WL_SHM_FORMAT_XRGB8888;
    case SPA_VIDEO_FORMAT_BGRA:
        return WL_SHM_FORMAT_ARGB8888;
    case SPA_VIDEO_FORMAT_RGBx:
        return WL_SHM_FORMAT_XBGR8888;
    case SPA_VIDEO_FORMAT_RGBA:
        return WL_SHM_FORMAT_ABGR8888;
    default:
        return 0;
    }
}

const spa_pod* videoFormats(spa_pod_builder& builder)
{
    spa_rectangle defaultSize{1920, 1080}, minSize{1, 1}, maxSize{16384, 16384};
    spa_fraction defaultRate{0, 1}, minRate{0, 1}, maxRate{240, 1};
    return static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
        SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_CHOICE_ENUM_Id(5, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_RGBx,
                               SPA_VIDEO_FORMAT_BGRA, SPA_VIDEO_FORMAT_RGBA),
        SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&defaultSize, &minSize, &maxSize),
        SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&defaultRate, &minRate, &maxRate)));
}

}  // namespace

struct PipeWireFrames::Stream
{
    PipeWireFrames* owner = nullptr;
    quint32 node = 0;
    pw_stream* handle = nullptr;
    spa_hook listener{};
    ShmPixels::Layout layout;  // format and size as negotiated
    Bitmap frame;              // the latest frame taken
    quint64 frames = 0;        // how many were taken
    QString error;

    ~Stream()
    {
        if (handle) {
            spa_hook_remove(&listener);
            pw_stream_destroy(handle);
        }
    }

    static void onStateChanged(void* data, pw_stream_state, pw_stream_state state, const char* error)
    {
        auto* stream = static_cast<Stream*>(data);
        if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED) {
            stream->error = state == PW_STREAM_STATE_ERROR && error
                                ? QStringLiteral("the screen cast stream failed: %1").arg(QString::fromUtf8(error))
                                : QStringLiteral("the desktop ended the screen cast");
            pw_thread_loop_signal(stream->owner->m_loop, false);
        }
    }

    static void onParamChanged(void* data, uint32_t id, const spa_pod* param)
    {
        auto* stream = static_cast<Stream*>(data);
        spa_video_info_raw info{};
        if (id != SPA_PARAM_Format || !param || spa_format_video_raw_parse(param, &info) < 0)
            return;
        stream->layout.format = shmFormat(info.format);
        stream->layout.width = int(info.size.width);
        stream->layout.height = int(info.size.height);
        // Shared memory only: memfd or plain pointers, both mapped for us.
        uint8_t buffer[256];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
        const spa_pod* params[] = {static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_dataType,
            SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr))))};
        pw_stream_update_params(stream->handle, params, 1);
    }

    static void onProcess(void* data)
    {
        auto* stream = static_cast<Stream*>(data);
        pw_buffer* latest = nullptr;
        while (pw_buffer* next = pw_stream_dequeue_buffer(stream->handle)) {
            if (latest)
                pw_stream_queue_buffer(stream->handle, latest);
            latest = next;
        }
        if (!latest)
            return;
        if (stream->take(latest->buffer->datas[0])) {
            ++stream->frames;
            pw_thread_loop_signal(stream->owner->m_loop, false);
        }
        pw_stream_queue_buffer(stream->handle, latest);
    }

    // Copies a frame out of its buffer; a buffer without mapped pixels (a
    // DMA-BUF, a cursor-only update) or too small for its frame is skipped.
    bool take(const spa_data& data)
    {
        if (!data.data || !data.chunk || data.chunk->size == 0 || (data.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED))
            return false;
        ShmPixels::Layout frameLayout = layout;
        frameLayout.stride = data.chunk->stride > 0 ? data.chunk->stride : layout.width * 4;
        const quint64 needed = quint64(data.chunk->offset) + quint64(frameLayout.stride) * quint64(layout.height);
        if (layout.height <= 0 || needed > data.maxsize)
            return false;
        Result<Bitmap> bitmap = ShmPixels::toBitmap(static_cast<const uchar*>(data.data) + data.chunk->offset,
                                                    frameLayout, std::move(frame));
        if (!bitmap) {
            error = bitmap.error();
            return false;
        }
        frame = std::move(bitmap).value();
        return true;
    }
};

Result<std::unique_ptr<PipeWireFrames>> PipeWireFrames::connect(FileDescriptor pipeWire, const QList<quint32>& nodes)
{
    using R = Result<std::unique_ptr<PipeWireFrames>>;
    static std::once_flag initialised;
    std::call_once(initialised, [] { pw_init(nullptr, nullptr); });

    std::unique_ptr<PipeWireFrames> frames(new PipeWireFrames);
    frames->m_loop = pw_thread_loop_new("momentra-cast", nullptr);
    if (!frames->m_loop)
        return R::failure(QStringLiteral("PipeWire could not start its thread"));
    frames->m_context = pw_context_new(pw_thread_loop_get_loop(frames->m_loop), nullptr, 0);
    if (!frames->m_context || pw_thread_loop_start(frames->m_loop) < 0)
        return R::failure(QStringLiteral("PipeWire could not start its thread"));

    pw_thread_loop_lock(frames->m_loop);
    frames->m_core = pw_context_connect_fd(frames->m_context, pipeWire.release(), nullptr, 0);
    if (!frames->m_core) {
        pw_thread_loop_unlock(frames->m_loop);
        return R::failure(QStringLiteral("couldn't connect to PipeWire through the screen-cast portal"));
    }
    static const pw_stream_events events = {
        .version = PW_VERSION_STREAM_EVENTS,
        .state_changed = &Stream::onStateChanged,
        .param_changed = &Stream::onParamChanged,
        .process = &Stream::onProcess,
    };
    for (quint32 node : nodes) {
        auto stream = std::make_shared<Stream>();
        stream->owner = frames.get();
        stream->node = node;
        stream->handle = pw_stream_new(frames->m_core, "Momentra",
                                       pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                                         PW_KEY_MEDIA_ROLE, "Screen", nullptr));
        if (!stream->handle)
            continue;
        pw_stream_add_listener(stream->handle, &stream->listener, &events, stream.get());
        uint8_t buffer[1024];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
        const spa_pod* params[] = {videoFormats(builder)};
        const auto flags = pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS
                                           | PW_STREAM_FLAG_INACTIVE);
        if (pw_stream_connect(stream->handle, PW_DIRECTION_INPUT, node, flags, params, 1) < 0)
            stream->error = QStringLiteral("couldn't connect to the screen cast stream");
        frames->m_streams << stream;
    }
    pw_thread_loop_unlock(frames->m_loop);
    return R(std::move(frames));
}

PipeWireFrames::~PipeWireFrames()
{
    if (m_loop)
        pw_thread_loop_stop(m_loop);
    m_streams.clear();
    if (m_core)
        pw_core_disconnect(m_core);
    if (m_context)
        pw_context_destroy(m_context);
    if (m_loop)
        pw_thread_loop_destroy(m_loop);
}

PipeWireFrames::Stream* PipeWireFrames::stream(quint32 node) const
{
    for (const auto& stream : m_streams)
        if (stream->node == node)
            return stream.get();
    return nullptr;
}

bool PipeWireFrames::isBroken() const
{
    pw_thread_loop_lock(m_loop);
    bool broken = false;
    for (const auto& stream : m_streams)
        broken = broken || !stream->error.isEmpty();
    pw_thread_loop_unlock(m_loop);
    return broken;
}

Result<Bitmap> PipeWireFrames::frame(quint32 node)
{
    Stream* wanted = stream(node);
    if (!wanted)
        return Result<Bitmap>::failure(QStringLiteral("the screen cast has no stream for this display"));
    pw_thread_loop_lock(m_loop);
    const quint64 before = wanted->frames;
    const bool hasFrame = before > 0;
    pw_stream_set_active(wanted->handle, true);
    timespec deadline{};
    pw_thread_loop_get_time(m_loop, &deadline, int64_t(hasFrame ? kUnchangedMs : kFrameTimeoutMs) * SPA_NSEC_PER_MSEC);
    while (wanted->frames == before && wanted->error.isEmpty())
        if (pw_thread_loop_timed_wait_full(m_loop, &deadline) == -ETIMEDOUT)
            break;
    pw_stream_set_active(wanted->handle, false);
    const QString error = wanted->error;
    const quint64 taken = wanted->frames;
    Bitmap bitmap = wanted->frame;
    pw_thread_loop_unlock(m_loop);
    if (!error.isEmpty())
        return Result<Bitmap>::failure(error);
    if (taken == 0)
        return Result<Bitmap>::failure(
            QStringLiteral("the screen cast sent no frame within %1 seconds").arg(kFrameTimeoutMs / 1000));
    return bitmap;
}
