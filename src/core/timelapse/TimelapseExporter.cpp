#include "core/timelapse/TimelapseExporter.h"

#include "core/RenameNoReplace.h"
#include "core/library/ImageCodec.h"
#include "core/library/LibraryLayout.h"
#include "core/library/PartialFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <cstring>

#include <fcntl.h>

namespace {

const QString kPrefix = QStringLiteral("Momentra_");
const QString kDisplayMarker = QStringLiteral("_Display");

// The name without its extension: everything before the last dot.
QString withoutExtension(const QString& fileName)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? fileName.left(dot) : fileName;
}

int roundHalfAway(double value)
{
    return int(std::round(value));  // std::round rounds halves away from zero
}

using Frame = TimelapseExporter::Frame;
using FramesByDisplay = QMap<int, QList<Frame>>;

// The requested day folders by name, those with at least one frame, and the
// frames of all of them per display in time order.
struct CollectedDays
{
    QList<QUrl> sorted;
    QList<QUrl> withFrames;
    FramesByDisplay frames;
};

CollectedDays collectDays(const QList<QUrl>& dayFolders)
{
    CollectedDays days;
    days.sorted = dayFolders;
    std::sort(days.sorted.begin(), days.sorted.end(),
              [](const QUrl& a, const QUrl& b) { return a.fileName() < b.fileName(); });
    for (const QUrl& folder : std::as_const(days.sorted)) {
        const FramesByDisplay frames = TimelapseExporter::framesByDisplay(folder);
        if (frames.isEmpty())
            continue;
        days.withFrames.append(folder);
        for (auto it = frames.constBegin(); it != frames.constEnd(); ++it)
            days.frames[it.key()].append(it.value());
    }
    for (QList<Frame>& frames : days.frames) {
        std::stable_sort(frames.begin(), frames.end(),
                         [](const Frame& a, const Frame& b) { return a.timestamp < b.timestamp; });
    }
    return days;
}

// "2024-05-06", or "2024-05-06_to_2024-05-08" for several days.
QString exportLabel(const QList<QUrl>& daysWithFrames)
{
    QString label = daysWithFrames.first().fileName();
    if (daysWithFrames.last().fileName() != label)
        label += QStringLiteral("_to_") + daysWithFrames.last().fileName();
    return label;
}

// The first attempt number whose video names are free for every display.
int firstFreeAttempt(const QDir& outputFolder, const QString& label, const QList<int>& displays)
{
    auto anyExists = [&](int attempt) {
        return std::any_of(displays.begin(), displays.end(), [&](int display) {
            return QFileInfo::exists(outputFolder.filePath(TimelapseExporter::videoFileName(label, display, attempt)));
        });
    };
    int attempt = 1;
    while (anyExists(attempt))
        ++attempt;
    return attempt;
}

int frameCount(const FramesByDisplay& frames)
{
    int total = 0;
    for (const QList<Frame>& display : frames)
        total += int(display.size());
    return total;
}

QStringList skippedDays(const CollectedDays& days)
{
    QStringList skipped;
    for (const QUrl& folder : days.sorted) {
        if (!days.withFrames.contains(folder))
            skipped.append(folder.fileName());
    }
    return skipped;
}

// The first frame whose image decodes, by index, with its image (null when
// none decodes). The image is kept so that it is not decoded twice.
std::pair<qsizetype, Bitmap> firstDecodable(ImageCodec& codec, const QList<Frame>& frames)
{
    for (qsizetype index = 0; index < frames.size(); ++index) {
        Result<Bitmap> decoded = codec.decodeFile(frames[index].url.toLocalFile());
        if (decoded && !decoded->isNull())
            return {index, std::move(decoded).value()};
    }
    return {frames.size(), Bitmap()};
}

}  // namespace

TimelapseExporter::TimelapseExporter(std::shared_ptr<ImageCodec> codec, VideoWriterFactory writers)
    : m_codec(std::move(codec))
    , m_writers(std::move(writers))
{
}

QMap<int, QList<TimelapseExporter::Frame>> TimelapseExporter::framesByDisplay(const QUrl& dayFolder)
{
    QMap<int, QList<Frame>> frames;
    const QDir folder(dayFolder.toLocalFile());
    // Hidden files are skipped; an unreadable folder lists nothing.
    const QStringList names = folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const auto parsed = LibraryLayout::parseScreenshotName(withoutExtension(name));
        if (!parsed)
            continue;
        frames[parsed->ordinal].append(Frame{QUrl::fromLocalFile(folder.filePath(name)), parsed->time});
    }
    return frames;
}

QRect TimelapseExporter::fitRect(QSize frame, QSize image)
{
    if (image.width() < 1 || image.height() < 1)
        return {};
    const double W = frame.width();
    const double H = frame.height();
    const double scale = std::min(W / image.width(), H / image.height());
    const int width = roundHalfAway(scale * image.width());
    const int height = roundHalfAway(scale * image.height());
    const int x = roundHalfAway((W - width) / 2.0);
    const int y = roundHalfAway((H - height) / 2.0);
    return QRect(x, y, width, height);
}

QString TimelapseExporter::videoFileName(const QString& label, int display, int attempt)
{
    QString name = kPrefix + label;
    if (display != 1)
        name += kDisplayMarker + QString::number(display);
    if (attempt >= 2)
        name += QLatin1Char(' ') + QString::number(attempt);
    return name + QStringLiteral(".mp4");
}

TimelapseExporter::Outcome TimelapseExporter::exportDays(const QList<QUrl>& dayFolders, int fps,
                                                         const CancelPredicate& isCancelled,
                                                         const ProgressHandler& progress) const
{
    const CollectedDays days = collectDays(dayFolders);
    if (days.withFrames.isEmpty())
        return TimelapseError::noFrames(int(dayFolders.size()));

    const QString label = exportLabel(days.withFrames);
    const QDir outputFolder = QFileInfo(days.withFrames.first().toLocalFile()).dir();
    const QList<int> displays = days.frames.keys();  // ascending
    const int totalFrames = frameCount(days.frames);
    const int attempt = firstFreeAttempt(outputFolder, label, displays);

    TimelapseExportResult result;
    int earlierFrames = 0;
    for (int index = 0; index < displays.size(); ++index) {
        if (isCancelled()) {
            result.wasCancelled = true;
            break;
        }
        const QList<Frame>& frames = days.frames.value(displays[index]);
        const QUrl destination = QUrl::fromLocalFile(
            outputFolder.filePath(videoFileName(label, displays[index], attempt)));
        const TimelapseProgress base{earlierFrames, totalFrames, index + 1, int(displays.size())};
        auto videoProgress = [&](int handled) {
            TimelapseProgress report = base;
            report.completedFrames = base.completedFrames + handled;
            progress(report);
        };
        const auto error = writeVideo(frames, destination, fps, isCancelled, videoProgress);
        if (error && error->kind() == TimelapseError::Kind::cancelled) {
            result.wasCancelled = true;
            break;
        }
        if (error)
            return *error;
        earlierFrames += int(frames.size());
        result.outputURLs.append(destination);
    }
    result.skippedDays = skippedDays(days);
    return result;
}

std::optional<TimelapseError> TimelapseExporter::writeVideo(const QList<Frame>& frames, const QUrl& destination,
                                                            int fps, const CancelPredicate& isCancelled,
                                                            const FrameProgressHandler& progress) const
{
    auto [firstIndex, first] = firstDecodable(*m_codec, frames);
    if (first.isNull())
        return TimelapseError::noFrames(1);
    const QSize size(first.width, first.height);

    // Written under a hidden partial name and renamed once complete, so a
    // video cut short by a kill or a power cut never lies under the final name.
    const QString destinationPath = destination.toLocalFile();
    const QString path = QFile::decodeName(PartialFiles::pattern(destinationPath))
                             .replace(QStringLiteral("XXXXXX"),
                                      QString::number(QRandomGenerator::global()->generate(), 36));
    const std::unique_ptr<VideoWriter> writer = m_writers();
    if (!writer->create(path, size.width(), size.height()))
        return TimelapseError::other(writer->errorString());
    if (!writer->startWriting(std::max(fps, 1))) {
        const QString message = writer->errorString();
        writer->cancelWriting();
        QFile::remove(path);
        return TimelapseError::writerFailed(message.isEmpty() ? QStringLiteral("could not start writing") : message);
    }

    const bool complete = appendFrames(*writer, frames, firstIndex, std::move(first), isCancelled, progress);
    if (!complete || isCancelled()) {
        writer->cancelWriting();
        QFile::remove(path);
        return TimelapseError::cancelled();
    }
    if (!writer->finishWriting()) {
        const QString message = writer->errorString();
        QFile::remove(path);
        return TimelapseError::writerFailed(message.isEmpty() ? QStringLiteral("unknown error") : message);
    }
    if (const int error = renameNoReplace(AT_FDCWD, QFile::encodeName(path).constData(), AT_FDCWD,
                                          QFile::encodeName(destinationPath).constData())) {
        QFile::remove(path);
        return TimelapseError::writerFailed(QString::fromLocal8Bit(std::strerror(error)));
    }
    return std::nullopt;
}

// Frames before `firstIndex` failed to decode already; `first` is the image of
// the frame at it. False when cancelled.
bool TimelapseExporter::appendFrames(VideoWriter& writer, const QList<Frame>& frames, qsizetype firstIndex,
                                     Bitmap first, const CancelPredicate& isCancelled,
                                     const FrameProgressHandler& progress) const
{
    const QSize size(first.width, first.height);
    for (qsizetype i = 0; i < frames.size(); ++i) {
        if (isCancelled())
            return false;
        if (i >= firstIndex) {
            Bitmap image;
            if (i == firstIndex) {
                image = std::move(first);
                first = Bitmap();
            } else if (Result<Bitmap> decoded = m_codec->decodeFile(frames[i].url.toLocalFile()); decoded) {
                image = std::move(decoded).value();
            }
            if (!image.isNull())
                writer.append(image, fitRect(size, QSize(image.width, image.height)));
        }
        progress(int(i + 1));
        if (writer.hasFailed())
            break;  // the failure is reported when finishing
    }
    return true;
}
