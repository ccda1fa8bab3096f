#include "media/FfmpegVideoWriter.h"

#include "media/YuvConverter.h"

#include "core/FileDescriptor.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <QByteArray>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr quint32 kOpaqueBlack = 0xFF000000;

QString avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

struct FormatContextDeleter
{
    void operator()(AVFormatContext* context) const
    {
        if (context->pb)
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
struct CodecContextDeleter
{
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter
{
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter
{
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScaleDeleter
{
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
struct DictionaryDeleter
{
    void operator()(AVDictionary* dictionary) const { av_dict_free(&dictionary); }
};

using FormatContext = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using CodecContext = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using Frame = std::unique_ptr<AVFrame, FrameDeleter>;
using Packet = std::unique_ptr<AVPacket, PacketDeleter>;
using Scale = std::unique_ptr<SwsContext, ScaleDeleter>;

// Screenshots are sRGB; the video says so, with the BT.709 matrix in limited range.
void tagColours(AVCodecContext* codec)
{
    codec->color_range = AVCOL_RANGE_MPEG;
    codec->colorspace = AVCOL_SPC_BT709;
    codec->color_primaries = AVCOL_PRI_BT709;
    codec->color_trc = AVCOL_TRC_IEC61966_2_1;
}

// A resizer kept across frames while the sizes stay the same.
SwsContext* cachedScale(Scale& slot, int srcW, int srcH, AVPixelFormat srcFormat, int dstW, int dstH,
                        AVPixelFormat dstFormat, int flags)
{
    SwsContext* context = sws_getCachedContext(slot.release(), srcW, srcH, srcFormat, dstW, dstH, dstFormat, flags,
                                               nullptr, nullptr, nullptr);
    slot.reset(context);
    return context;
}

}  // namespace

struct FfmpegVideoWriter::Contexts
{
    FormatContext format;
    CodecContext codec;
    AVStream* stream = nullptr;  // owned by format
    Frame frames[2];
    Packet packet;
    Scale resize;
    QByteArray canvas;  // BGRA frame for images that need fitting or padding
};

FfmpegVideoWriter::Options FfmpegVideoWriter::shippedOptions()
{
    Options options;
    options.preset = QStringLiteral("veryfast");
    options.boundsMemory = true;
    return options;
}

FfmpegVideoWriter::FfmpegVideoWriter()
    : FfmpegVideoWriter(Options{})
{
}

QString FfmpegVideoWriter::memoryBoundParams(int width, int height)
{
    QString params = QStringLiteral("sliced-threads=1");
    if (qint64(width) * height > kLargeFramePixels)
        params += QStringLiteral(":rc-lookahead=0:bframes=0:weightp=0:subme=0");
    else
        params += QStringLiteral(":rc-lookahead=4");
    return params;
}

FfmpegVideoWriter::FfmpegVideoWriter(Options options)
    : m_options(std::move(options))
    , m_av(std::make_unique<Contexts>())
{
    // x264 reports its settings and statistics on every video; keep only errors.
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_ERROR);
        return true;
    }();
    Q_UNUSED(quiet);
}

FfmpegVideoWriter::~FfmpegVideoWriter()
{
    stopEncoder();
}

void FfmpegVideoWriter::setError(const QString& message)
{
    std::lock_guard lock(m_mutex);
    if (!m_failed) {
        m_failed = true;
        m_error = message;
    }
    m_wake.notify_all();
}

QString FfmpegVideoWriter::errorString() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

bool FfmpegVideoWriter::hasFailed() const
{
    std::lock_guard lock(m_mutex);
    return m_failed;
}

bool FfmpegVideoWriter::create(const QString& path, int width, int height)
{
    if (width < 1 || height < 1) {
        setError(QStringLiteral("the video size %1×%2 is not valid").arg(width).arg(height));
        return false;
    }
    const QByteArray file = path.toLocal8Bit();
    // The name is claimed before anything is written, so an existing file is never replaced.
    if (!FileDescriptor(::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)).isOpen()) {
        setError(QStringLiteral("Could not create “%1”: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }

    AVFormatContext* format = nullptr;
    int status = avformat_alloc_output_context2(&format, nullptr, "mp4", file.constData());
    if (status < 0 || !format) {
        ::unlink(file.constData());
        setError(QStringLiteral("Could not create “%1”: %2").arg(path, avError(status)));
        return false;
    }
    m_av->format.reset(format);
    status = avio_open(&format->pb, file.constData(), AVIO_FLAG_WRITE);
    if (status < 0) {
        ::unlink(file.constData());
        setError(QStringLiteral("Could not create “%1”: %2").arg(path, avError(status)));
        return false;
    }
    m_path = path;
    m_width = width;
    m_height = height;
    return true;
}

bool FfmpegVideoWriter::startWriting(int fps)
{
    if (!m_av->format || m_started || fps < 1)
        return false;
    if (!openEncoder(fps) || !addStream() || !writeHeader() || !allocateFrames())
        return false;
    m_started = true;
    m_encoder = std::thread([this] { encodeLoop(); });
    return true;
}

bool FfmpegVideoWriter::openEncoder(int fps)
{
    const AVCodec* encoder = avcodec_find_encoder_by_name("libx264");
    if (!encoder) {
        setError(QStringLiteral("the H.264 encoder libx264 is not available"));
        return false;
    }
    m_av->codec.reset(avcodec_alloc_context3(encoder));
    AVCodecContext* codec = m_av->codec.get();
    if (!codec) {
        setError(avError(AVERROR(ENOMEM)));
        return false;
    }
    configureEncoder(codec, fps);
    const int status = avcodec_open2(codec, encoder, nullptr);
    if (status < 0) {
        setError(QStringLiteral("could not open the H.264 encoder: ") + avError(status));
        return false;
    }
    return true;
}

void FfmpegVideoWriter::configureEncoder(AVCodecContext* codec, int fps) const
{
    codec->width = evenSize(m_width);
    codec->height = evenSize(m_height);
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    codec->time_base = AVRational{1, fps};
    codec->framerate = AVRational{fps, 1};
    codec->sample_aspect_ratio = AVRational{1, 1};
    codec->thread_count = m_options.threads;
    tagColours(codec);
    if (m_av->format->oformat->flags & AVFMT_GLOBALHEADER)
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(codec->priv_data, "preset", m_options.preset.toUtf8().constData(), 0);
    if (!m_options.tune.isEmpty())
        av_opt_set(codec->priv_data, "tune", m_options.tune.toUtf8().constData(), 0);
    QStringList params;
    if (m_options.boundsMemory)
        params.append(memoryBoundParams(codec->width, codec->height));
    if (!m_options.x264Params.isEmpty())
        params.append(m_options.x264Params);
    if (!params.isEmpty())
        av_opt_set(codec->priv_data, "x264-params", params.join(QLatin1Char(':')).toUtf8().constData(), 0);
    if (m_options.lookahead >= 0)
        av_opt_set_int(codec->priv_data, "rc-lookahead", m_options.lookahead, 0);
}

bool FfmpegVideoWriter::addStream()
{
    m_av->stream = avformat_new_stream(m_av->format.get(), nullptr);
    if (!m_av->stream) {
        setError(avError(AVERROR(ENOMEM)));
        return false;
    }
    const AVCodecContext* codec = m_av->codec.get();
    avcodec_parameters_from_context(m_av->stream->codecpar, codec);
    m_av->stream->time_base = codec->time_base;
    m_av->stream->avg_frame_rate = codec->framerate;
    return true;
}

bool FfmpegVideoWriter::writeHeader()
{
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "+faststart", 0);
    const int status = avformat_write_header(m_av->format.get(), &options);
    std::unique_ptr<AVDictionary, DictionaryDeleter> leftover(options);
    if (status < 0) {
        setError(QStringLiteral("could not write the video header: ") + avError(status));
        return false;
    }
    return true;
}

bool FfmpegVideoWriter::allocateFrames()
{
    const AVCodecContext* codec = m_av->codec.get();
    m_framesInFlight = qint64(codec->width) * codec->height > kLargeFramePixels ? 1 : 2;
    for (int i = 0; i < m_framesInFlight; ++i) {
        Frame& frame = m_av->frames[i];
        frame.reset(av_frame_alloc());
        if (!frame) {
            setError(avError(AVERROR(ENOMEM)));
            return false;
        }
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = codec->width;
        frame->height = codec->height;
        if (const int status = av_frame_get_buffer(frame.get(), 0); status < 0) {
            setError(avError(status));
            return false;
        }
    }
    m_av->packet.reset(av_packet_alloc());
    if (!m_av->packet) {
        setError(avError(AVERROR(ENOMEM)));
        return false;
    }
    return true;
}

bool FfmpegVideoWriter::convert(const Bitmap& image, const QRect& target, AVFrame* frame)
{
    const int width = frame->width;
    const int height = frame->height;
    const uint8_t* source = reinterpret_cast<const uint8_t*>(image.pixels.constData());
    int sourceStride = image.stride;

    const bool fillsFrame = target == QRect(0, 0, width, height) && image.width == width && image.height == height;
    if (!fillsFrame) {
        // Draw into a black BGRA frame first: exact placement at any pixel,
        // which the 2×2 colour blocks of yuv420p would not allow.
        const qsizetype canvasBytes = qsizetype(width) * height * 4;
        if (m_av->canvas.size() != canvasBytes)
            m_av->canvas = QByteArray(canvasBytes, Qt::Uninitialized);
        auto* canvas = reinterpret_cast<quint32*>(m_av->canvas.data());
        std::fill(canvas, canvas + qsizetype(width) * height, kOpaqueBlack);
        const QRect placed = target.intersected(QRect(0, 0, width, height));
        if (!placed.isEmpty() && placed == target) {
            uint8_t* destination = reinterpret_cast<uint8_t*>(canvas + qsizetype(target.y()) * width + target.x());
            const int destinationStride = width * 4;
            if (target.size() == QSize(image.width, image.height)) {
                for (int y = 0; y < image.height; ++y)
                    std::memcpy(destination + qsizetype(y) * destinationStride, image.row(y), size_t(image.width) * 4);
            } else {
                SwsContext* resize = cachedScale(m_av->resize, image.width, image.height, AV_PIX_FMT_BGRA,
                                                 target.width(), target.height(), AV_PIX_FMT_BGRA, SWS_BICUBIC);
                if (!resize)
                    return false;
                uint8_t* planes[4] = {destination, nullptr, nullptr, nullptr};
                const int strides[4] = {destinationStride, 0, 0, 0};
                const uint8_t* const sources[4] = {source, nullptr, nullptr, nullptr};
                const int sourceStrides[4] = {sourceStride, 0, 0, 0};
                sws_scale(resize, sources, sourceStrides, 0, image.height, planes, strides);
            }
        }
        source = reinterpret_cast<const uint8_t*>(m_av->canvas.constData());
        sourceStride = width * 4;
    }

    YuvConverter::bgraToI420(source, sourceStride, width, height, frame->data[0], frame->linesize[0], frame->data[1],
                             frame->linesize[1], frame->data[2], frame->linesize[2]);
    return true;
}

bool FfmpegVideoWriter::append(const Bitmap& image, const QRect& target)
{
    if (!m_started || image.isNull())
        return false;
    AVFrame* frame = m_av->frames[m_nextPts % m_framesInFlight].get();
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] { return m_failed || (m_pending != frame && m_encoding != frame); });
        if (m_failed)
            return false;
    }
    if (av_frame_make_writable(frame) < 0 || !convert(image, target, frame))
        return false;
    frame->pts = m_nextPts++;
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [&] { return m_failed || m_pending == nullptr; });
    if (m_failed)
        return false;
    m_pending = frame;
    m_wake.notify_all();
    return true;
}

void FfmpegVideoWriter::encodeLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_pending || m_quit; });
        if (!m_pending)
            return;
        AVFrame* frame = m_pending;
        m_pending = nullptr;
        m_encoding = frame;
        m_wake.notify_all();
        lock.unlock();
        encode(frame);
        lock.lock();
        m_encoding = nullptr;
        m_wake.notify_all();
    }
}

bool FfmpegVideoWriter::encode(AVFrame* frame)
{
    AVCodecContext* codec = m_av->codec.get();
    int status = avcodec_send_frame(codec, frame);
    if (status < 0) {
        setError(QStringLiteral("could not encode a frame: ") + avError(status));
        return false;
    }
    AVPacket* packet = m_av->packet.get();
    for (;;) {
        status = avcodec_receive_packet(codec, packet);
        if (status == AVERROR(EAGAIN) || status == AVERROR_EOF)
            return true;
        if (status < 0) {
            setError(QStringLiteral("could not encode a frame: ") + avError(status));
            return false;
        }
        av_packet_rescale_ts(packet, codec->time_base, m_av->stream->time_base);
        packet->stream_index = m_av->stream->index;
        status = av_interleaved_write_frame(m_av->format.get(), packet);  // takes the packet's data
        if (status < 0) {
            setError(QStringLiteral("could not write the video: ") + avError(status));
            return false;
        }
    }
}

void FfmpegVideoWriter::stopEncoder()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_wake.notify_all();
    }
    if (m_encoder.joinable())
        m_encoder.join();
}

bool FfmpegVideoWriter::finishWriting()
{
    if (!m_started)
        return false;
    stopEncoder();  // encodes what is still waiting first
    m_started = false;
    if (!hasFailed() && encode(nullptr)) {
        const int status = av_write_trailer(m_av->format.get());
        if (status < 0)
            setError(QStringLiteral("could not finish the video: ") + avError(status));
    }
    const int status = avio_closep(&m_av->format->pb);
    if (status < 0)
        setError(QStringLiteral("could not finish the video: ") + avError(status));
    m_av = std::make_unique<Contexts>();
    return !hasFailed();
}

void FfmpegVideoWriter::cancelWriting()
{
    {
        std::lock_guard lock(m_mutex);
        m_pending = nullptr;
    }
    stopEncoder();
    m_started = false;
    m_av = std::make_unique<Contexts>();  // closes the file without finishing it
}
