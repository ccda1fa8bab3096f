#pragma once

#include "core/Bitmap.h"
#include "core/FileDescriptor.h"
#include "core/Result.h"

#include <QList>

#include <memory>

struct pw_context;
struct pw_core;
struct pw_thread_loop;

// Frames of the portal's screen-cast streams, through libpipewire: one
// pw_stream per node on the connection the portal opened, reading video in
// BGRx, RGBx, BGRA or RGBA from shared memory (DMA-BUF is not asked for; a
// buffer that cannot be mapped here is skipped). The streams stay inactive
// between captures, so the desktop copies nothing meanwhile; a capture
// wakes one stream and takes the next frame it sends.
//
// A screen cast sends frames only when the screen changes. When a stream
// that already delivered a frame sends none within kUnchangedMs of waking,
// the screen has not changed since and that frame is the capture.
class PipeWireFrames
{
public:
    static constexpr int kFrameTimeoutMs = 5000;
    static constexpr int kUnchangedMs = 500;

    static Result<std::unique_ptr<PipeWireFrames>> connect(FileDescriptor pipeWire, const QList<quint32>& nodes);
    ~PipeWireFrames();
    PipeWireFrames(const PipeWireFrames&) = delete;
    PipeWireFrames& operator=(const PipeWireFrames&) = delete;

    // The next frame of one node, as an opaque BGRA bitmap.
    Result<Bitmap> frame(quint32 node);
    bool isBroken() const;

private:
    struct Stream;

    PipeWireFrames() = default;
    Stream* stream(quint32 node) const;

    pw_thread_loop* m_loop = nullptr;
    pw_context* m_context = nullptr;
    pw_core* m_core = nullptr;
    QList<std::shared_ptr<Stream>> m_streams;
    bool m_broken = false;  // written on the loop's thread under its lock
};
