#include "core/capture/DisplayCapture.h"

#include "core/capture/CaptureError.h"
#include "core/capture/ScreenshotWriter.h"
#include "core/library/LibraryLayout.h"
#include "core/textsearch/LiveTextSink.h"

#include <QDir>

#include <algorithm>

DisplayCapture::DisplayCapture(ScreenSource& source, ImageCodec& codec, LiveTextSink* textSink)
    : m_source(source)
    , m_codec(codec)
    , m_textSink(textSink)
{
}

DisplayCaptureRequest DisplayCapture::requestFor(const CaptureConfiguration& configuration, const DisplayInfo& display)
{
    DisplayCaptureRequest request;
    request.excludedAppIds = configuration.excludedAppIds;
    request.hidesNotifications = configuration.hidesNotifications;
    request.hidesDesktopIcons = configuration.hidesDesktopIcons;
    request.showsCursor = configuration.showsCursor;
    request.outputWidth = display.width;
    request.outputHeight = display.height;
    // Half size: a scaled desktop is written at its logical size.
    if (configuration.capturesHalfSize && display.logicalWidth > 0 && display.logicalWidth < display.width
        && display.logicalHeight > 0) {
        request.outputWidth = display.logicalWidth;
        request.outputHeight = display.logicalHeight;
    }
    return request;
}

QList<DisplayCapture::Entry> DisplayCapture::orderedEntries(const QList<DisplayInfo>& displays,
                                                            const QMap<QString, int>& existing,
                                                            QMap<QString, int>* dictionary)
{
    QList<LibraryLayout::DisplayRankInput> ranks;
    for (const DisplayInfo& display : displays)
        ranks.append({display.isBuiltIn, display.isMain});
    const QList<int> order = LibraryLayout::orderDisplays(ranks);

    QStringList identities;
    for (int index : order)
        identities.append(LibraryLayout::displayIdentity(displays.at(index).facts));
    const OrdinalAssignment assignment = LibraryLayout::assignOrdinals(identities, existing);
    *dictionary = assignment.dictionary;

    QList<Entry> entries;
    for (qsizetype i = 0; i < order.size(); ++i)
        entries.append({displays.at(order.at(i)), identities.at(i), assignment.ordinals.at(i)});
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.ordinal < b.ordinal; });
    return entries;
}

CaptureTickResult DisplayCapture::capture(const CaptureConfiguration& configuration, const QDateTime& now,
                                          QStringList* writtenFiles)
{
    CaptureTickResult result = captureDisplays(configuration, now, writtenFiles);
    // After the images are gone, so that what they held is handed back too.
    if (configuration.intervalSeconds >= kKeepBuffersBelowSeconds)
        m_source.releaseIdleBuffers();
    return result;
}

CaptureTickResult DisplayCapture::captureDisplays(const CaptureConfiguration& configuration, const QDateTime& now,
                                                  QStringList* writtenFiles)
{
    const Result<ShareableContent> content = m_source.content();
    if (!content)
        return CaptureTickResult::failure(content.error());
    if (content->displays.isEmpty())
        return CaptureTickResult::failure(CaptureErrors::description(CaptureError::NoDisplays));

    const QString dayFolder = QDir(configuration.folder).filePath(LibraryLayout::dayFolderName(now));
    QMap<QString, int> dictionary;
    QList<Entry> entries = orderedEntries(content->displays, configuration.displayOrdinals, &dictionary);
    if (configuration.onlyDisplay) {
        entries.removeIf([&](const Entry& e) { return e.identity != configuration.onlyDisplay->identity; });
        if (entries.isEmpty())
            return CaptureTickResult::displayMissing(dictionary);
    }

    ScreenshotWriter writer(m_codec);
    QList<Failure> failures;
    QList<CapturedImage> written;
    for (const Entry& entry : std::as_const(entries)) {
        const Result<Bitmap> image = m_source.capture(entry.display, requestFor(configuration, entry.display));
        if (!image) {
            failures.append({entry.ordinal, image.error()});
            continue;
        }
        const QString path = QDir(dayFolder).filePath(
            LibraryLayout::screenshotFileName(now, entry.ordinal, configuration.format));
        if (const Result<QString> folder = ScreenshotWriter::ensureFolder(dayFolder); !folder) {
            failures.append({entry.ordinal, folder.error()});
            continue;
        }
        const auto saved = writer.writeImage(image.value(), path, configuration.format, configuration.jpegQuality);
        if (!saved) {
            failures.append({entry.ordinal, saved.error()});
            continue;
        }
        written.append({image.value(), saved->path, entry.identity});
        if (writtenFiles)
            writtenFiles->append(saved->path);
    }

    if (configuration.textSearch && !written.isEmpty() && m_textSink)
        m_textSink->enqueue(written, *configuration.textSearch);

    if (failures.isEmpty())
        return CaptureTickResult::success(int(written.size()), dictionary);
    if (written.isEmpty())
        return CaptureTickResult::failure(failures.first().message);
    return CaptureTickResult::success(
        int(written.size()), dictionary,
        QStringLiteral("Couldn't capture display %1: %2").arg(failures.first().ordinal).arg(failures.first().message));
}
