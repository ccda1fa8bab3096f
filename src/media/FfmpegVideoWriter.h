#pragma once

#include "core/timelapse/VideoWriter.h"

#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

// H.264 in MPEG-4 through libavformat and libx264, yuv420p, "+faststart" so
// the index sits at the front of the file.
//
// Frame size: yuv420p stores colour for 2×2 pixel blocks, so x264 needs even
// widths and heights. An odd width or height is rounded up to the next even
// number; the added column on the right or row at the bottom is black, and
// every pixel of the requested size is kept.
//
// append() converts the image to yuv420p on the caller's thread and hands it
// to an encoding thread of this writer, then returns: the caller decodes the
// next image while this one is encoded. Up to kLargeFramePixels two yuv420p
// frames take turns (conversion overlaps encoding too), above that one.
//
// Memory: x264 keeps whole frames for its look-ahead, its B-frames and each
// frame thread, and for sub-pixel motion search three interpolated copies of
// the luma plane of every reference. With `boundsMemory` the writer uses slice
// threads (all threads work on one frame, so threads cost no frames) and a
// 4-frame look-ahead; above kLargeFramePixels (2560×1440 and up) no
// look-ahead, no B-frames, no weighted prediction and full-pixel motion search
// only, which suits screen content (scrolling and dragged windows move by
// whole pixels). Measured peaks: 176 MB at 1920×1080, 202 MB at 3840×2160
// (see bench/timelapse).
class FfmpegVideoWriter : public VideoWriter
{
public:
    struct Options
    {
        QString preset = QStringLiteral("veryfast");
        QString tune;               // empty: none
        int threads = 0;            // 0: x264 decides
        int lookahead = -1;         // frames of rate-control look-ahead; -1: the preset's
        QString x264Params;         // "key=value:key=value" on top of the preset
        bool boundsMemory = false;  // see above; applied before x264Params
    };

    static constexpr int kLargeFramePixels = 2'500'000;
    // What the application exports with: veryfast, memory bounded.
    static Options shippedOptions();
    // The x264 settings `boundsMemory` adds for a frame size.
    static QString memoryBoundParams(int width, int height);

    FfmpegVideoWriter();
    explicit FfmpegVideoWriter(Options options);
    ~FfmpegVideoWriter() override;
    FfmpegVideoWriter(const FfmpegVideoWriter&) = delete;
    FfmpegVideoWriter& operator=(const FfmpegVideoWriter&) = delete;

    bool create(const QString& path, int width, int height) override;
    bool startWriting(int fps) override;
    bool append(const Bitmap& image, const QRect& target) override;
    bool hasFailed() const override;
    bool finishWriting() override;
    void cancelWriting() override;
    QString errorString() const override;

    // The encoded size for a requested one: odd numbers rounded up to even.
    static int evenSize(int size) { return size + (size & 1); }

private:
    struct Contexts;

    // The steps of startWriting(); each sets the error when it fails.
    bool openEncoder(int fps);
    void configureEncoder(AVCodecContext* codec, int fps) const;
    bool addStream();
    bool writeHeader();
    bool allocateFrames();
    bool convert(const Bitmap& image, const QRect& target, AVFrame* frame);
    void encodeLoop();
    bool encode(AVFrame* frame);  // nullptr drains the encoder
    void stopEncoder();
    void setError(const QString& message);

    const Options m_options;
    std::unique_ptr<Contexts> m_av;
    QString m_path;
    int m_width = 0;
    int m_height = 0;
    int m_framesInFlight = 2;
    qint64 m_nextPts = 0;
    bool m_started = false;

    // Hand-over between append() and the encoding thread.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    AVFrame* m_pending = nullptr;   // converted, waiting for the encoder
    AVFrame* m_encoding = nullptr;  // being encoded
    bool m_quit = false;
    bool m_failed = false;
    QString m_error;
    std::thread m_encoder;
};
