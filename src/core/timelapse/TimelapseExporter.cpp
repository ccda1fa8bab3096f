#include "core/timelapse/TimelapseExporter.h"

#include "core/library/ImageCodec.h"
#include "core/library/LibraryLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace {

const QString kPrefix = QStringLiteral("Momentra_");
const QString kDisplayMarker = QStringLiteral("_Display");

struct ParsedName
{
    int display = 1;
    QDateTime timestamp;
};

// A decimal integer with an optional sign and nothing else around it.
std::optional<int> parseDecimal(const QString& text)
{
    const int digitsFrom = text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (text.size() <= digitsFrom)
        return std::nullopt;
    for (int i = digitsFrom; i < text.size(); ++i) {
        if (text.at(i) < QLatin1Char('0') || text.at(i) > QLatin1Char('9'))
            return std::nullopt;
    }
    bool fits = false;
    const int value = text.toInt(&fits, 10);
    return fits ? std::optional<int>(value) : std::nullopt;
}

std::optional<ParsedName> parseFrameName(const QString& baseName)
{
    if (!baseName.startsWith(kPrefix))
        return std::nullopt;
    ParsedName parsed;
    QString timeText;
    const int marker = baseName.indexOf(kDisplayMarker);
    if (marker >= 0) {
        if (marker < kPrefix.size())
            return std::nullopt;
        const auto display = parseDecimal(baseName.mid(marker + kDisplayMarker.size()));
        if (!display)
            return std::nullopt;
        parsed.display = *display;
        timeText = baseName.mid(kPrefix.size(), marker - kPrefix.size());
    } else {
        timeText = baseName.mid(kPrefix.size());
    }
    const auto timestamp = LibraryLayout::fileTimeDate(timeText);
    if (!timestamp)
        return std::nullopt;
    parsed.timestamp = *timestamp;
    return parsed;
}

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

}  // namespace

TimelapseExporter::TimelapseExporter(std::shared_ptr<ImageCodec> codec, VideoWriterFactory writers)
    : m_codec(std::move(codec)), m_writers(std::move(writers))
{
}

QMap<int, QList<TimelapseExporter::Frame>> TimelapseExporter::framesByDisplay(const QUrl& dayFolder)
{
    QMap<int, QList<Frame>> frames;
    const QDir folder(dayFolder.toLocalFile());
    // Hidden files are skipped; an unreadable folder lists nothing.
    const QStringList names = folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const auto parsed = parseFrameName(withoutExtension(name));
        if (!parsed)
            continue;
        frames[parsed->display].append(Frame{QUrl::fromLocalFile(folder.filePath(name)), parsed->timestamp});
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
    QList<QUrl> sorted = dayFolders;
    std::sort(sorted.begin(), sorted.end(),
              [](const QUrl& a, const QUrl& b) { return a.fileName() < b.fileName(); });

    QList<QUrl> daysWithFrames;
    QMap<int, QList<Frame>> merged;
    for (const QUrl& folder : sorted) {
        const QMap<int, QList<Frame>> frames = framesByDisplay(folder);
        if (frames.isEmpty())
            continue;
        daysWithFrames.append(folder);
        for (auto it = frames.constBegin(); it != frames.constEnd(); ++it)
            merged[it.key()].append(it.value());
    }
    for (QList<Frame>& frames : merged) {
        std::stable_sort(frames.begin(), frames.end(),
                         [](const Frame& a, const Frame& b) { return a.timestamp < b.timestamp; });
    }
    if (daysWithFrames.isEmpty())
        return TimelapseError::noFrames(int(dayFolders.size()));

    QString label = daysWithFrames.first().fileName();
    if (daysWithFrames.last().fileName() != label)
        label += QStringLiteral("_to_") + daysWithFrames.last().fileName();
    const QDir outputFolder = QFileInfo(daysWithFrames.first().toLocalFile()).dir();

    const QList<int> displays = merged.keys();  // ascending
    int totalFrames = 0;
    for (const QList<Frame>& frames : merged)
        totalFrames += int(frames.size());

    int attempt = 1;
    auto anyExists = [&](int n) {
        return std::any_of(displays.begin(), displays.end(), [&](int display) {
            return QFileInfo::exists(outputFolder.filePath(videoFileName(label, display, n)));
        });
    };
    while (anyExists(attempt))
        ++attempt;

    TimelapseExportResult result;
    int earlierFrames = 0;
    for (int index = 0; index < displays.size(); ++index) {
        if (isCancelled()) {
            result.wasCancelled = true;
            break;
        }
        const QList<Frame>& frames = merged.value(displays[index]);
        const QUrl destination =
            QUrl::fromLocalFile(outputFolder.filePath(videoFileName(label, displays[index], attempt)));
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

    for (const QUrl& folder : sorted) {
        if (!daysWithFrames.contains(folder))
            result.skippedDays.append(folder.fileName());
    }
    return result;
}

std::optional<TimelapseError> TimelapseExporter::writeVideo(const QList<Frame>& frames, const QUrl& destination,
                                                            int fps, const CancelPredicate& isCancelled,
                                                            const FrameProgressHandler& progress) const
{
    // The first image that decodes sets the size; it is kept for its own frame
    // so that it is not decoded twice.
    qsizetype firstIndex = 0;
    Bitmap first;
    for (; firstIndex < frames.size(); ++firstIndex) {
        Result<Bitmap> decoded = m_codec->decodeFile(frames[firstIndex].url.toLocalFile());
        if (decoded && !decoded->isNull()) {
            first = std::move(decoded).value();
            break;
        }
    }
    if (first.isNull())
        return TimelapseError::noFrames(1);
    const QSize size(first.width, first.height);

    const QString path = destination.toLocalFile();
    const std::unique_ptr<VideoWriter> writer = m_writers();
    if (!writer->create(path, size.width(), size.height()))
        return TimelapseError::other(writer->errorString());

    auto cancel = [&] {
        writer->cancelWriting();
        QFile::remove(path);
        return TimelapseError::cancelled();
    };
    if (!writer->startWriting(std::max(fps, 1))) {
        const QString message = writer->errorString();
        writer->cancelWriting();
        QFile::remove(path);
        return TimelapseError::writerFailed(message.isEmpty() ? QStringLiteral("could not start writing") : message);
    }

    for (qsizetype i = 0; i < frames.size(); ++i) {
        if (isCancelled())
            return cancel();
        if (i >= firstIndex) {  // frames before the first decodable one failed already
            Bitmap image;
            if (i == firstIndex) {
                image = std::move(first);
                first = Bitmap();
            } else if (Result<Bitmap> decoded = m_codec->decodeFile(frames[i].url.toLocalFile()); decoded) {
                image = std::move(decoded).value();
            }
            if (!image.isNull())
                writer->append(image, fitRect(size, QSize(image.width, image.height)));
        }
        progress(int(i + 1));
        if (writer->hasFailed())
            break;  // the failure is reported when finishing
    }

    if (isCancelled())
        return cancel();
    if (!writer->finishWriting()) {
        const QString message = writer->errorString();
        QFile::remove(path);
        return TimelapseError::writerFailed(message.isEmpty() ? QStringLiteral("unknown error") : message);
    }
    return std::nullopt;
}
