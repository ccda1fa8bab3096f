#pragma once

#include "core/Bitmap.h"

#include <QRect>
#include <QString>

#include <functional>
#include <memory>

// Writes one H.264 MPEG-4 video, frame after frame. Each appended image is
// drawn into its target rectangle of an otherwise black frame of the video's
// size, scaled to fit the rectangle. One writer writes one file.
class VideoWriter
{
public:
    virtual ~VideoWriter() = default;

    // Creates the destination file, which must not exist yet. A failure here
    // (folder not writable, name taken, disk full) is described by errorString().
    virtual bool create(const QString& path, int width, int height) = 0;
    // Opens the encoder at `fps` frames per second (at least 1).
    virtual bool startWriting(int fps) = 0;
    // Appends the next frame; the k-th accepted frame is shown at k / fps
    // seconds. False drops the frame; hasFailed() tells whether the writer
    // can still go on. The image is not kept after the call returns.
    virtual bool append(const Bitmap& image, const QRect& target) = 0;
    virtual bool hasFailed() const = 0;
    // Writes what is pending and closes the file. False when the video is unusable.
    virtual bool finishWriting() = 0;
    // Abandons the video and closes the file; the caller removes it.
    virtual void cancelWriting() = 0;
    // Why the last call failed; may be empty.
    virtual QString errorString() const = 0;
};

using VideoWriterFactory = std::function<std::unique_ptr<VideoWriter>()>;
