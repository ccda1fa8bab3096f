#pragma once

#include "core/timelapse/TimelapseError.h"
#include "core/timelapse/TimelapseExportResult.h"
#include "core/timelapse/TimelapseProgress.h"
#include "core/timelapse/VideoWriter.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QRect>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <variant>

class ImageCodec;

// Turns day folders of the screenshot library into videos: one video per
// display, every screenshot of that display one frame, in time order. The
// exporter keeps no state between calls; it runs on a worker thread and talks
// to its caller only through the cancel predicate and the progress callable.
// Memory stays at about one decoded image plus the writer's buffers.
class TimelapseExporter
{
public:
    struct Frame
    {
        QUrl url;
        QDateTime timestamp;

        bool operator==(const Frame&) const = default;
    };

    // Called from the exporter's thread at the start of each video and frame.
    using CancelPredicate = std::function<bool()>;
    using ProgressHandler = std::function<void(const TimelapseProgress&)>;
    using FrameProgressHandler = std::function<void(int handledFrames)>;
    using Outcome = std::variant<TimelapseExportResult, TimelapseError>;

    TimelapseExporter(std::shared_ptr<ImageCodec> codec, VideoWriterFactory writers);

    // The frames of one day folder by display number (1 for names without a
    // display suffix), unsorted. An unreadable folder has none.
    static QMap<int, QList<Frame>> framesByDisplay(const QUrl& dayFolder);

    // Writes one video per display of the given day folders beside them.
    // A cancel between videos returns the videos written so far with
    // wasCancelled; a cancel inside a video removes that video's partial file
    // and does the same.
    Outcome exportDays(const QList<QUrl>& dayFolders, int fps, const CancelPredicate& isCancelled,
                       const ProgressHandler& progress) const;

    // Writes `frames` (non-empty, time-ordered) to `destination`. The video
    // takes the size of the first frame that decodes; others are fitted into
    // it, centred on black. Frames that fail leave no gap.
    std::optional<TimelapseError> writeVideo(const QList<Frame>& frames, const QUrl& destination, int fps,
                                             const CancelPredicate& isCancelled,
                                             const FrameProgressHandler& progress) const;

    // Where an image of size `image` goes in a frame of size `frame`: scaled
    // to fit with its aspect ratio kept, centred, rounded half away from zero.
    static QRect fitRect(QSize frame, QSize image);
    // "Momentra_" + label + display suffix + (" n" from the second attempt on) + ".mp4".
    static QString videoFileName(const QString& label, int display, int attempt);

private:
    bool appendFrames(VideoWriter& writer, const QList<Frame>& frames, qsizetype firstIndex, Bitmap first,
                      const CancelPredicate& isCancelled, const FrameProgressHandler& progress) const;

    std::shared_ptr<ImageCodec> m_codec;
    VideoWriterFactory m_writers;
};
