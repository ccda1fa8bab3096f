#include "core/textsearch/TextSearchScan.h"

#include "core/library/LibraryLayout.h"
#include "core/textsearch/ImageContent.h"
#include "core/textsearch/TextMetadata.h"

#include <QFile>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <atomic>
#include <dirent.h>
#include <sys/stat.h>

namespace {

enum class EntryKind { File, Directory, Other };

EntryKind kindOf(const struct dirent* entry, const QByteArray& directory)
{
    switch (entry->d_type) {
    case DT_REG:
        return EntryKind::File;
    case DT_DIR:
        return EntryKind::Directory;
    case DT_UNKNOWN: {
        struct stat status;
        const QByteArray path = directory + '/' + entry->d_name;
        if (::lstat(path.constData(), &status) != 0)
            return EntryKind::Other;
        if (S_ISREG(status.st_mode))
            return EntryKind::File;
        return S_ISDIR(status.st_mode) ? EntryKind::Directory : EntryKind::Other;
    }
    default:
        return EntryKind::Other;
    }
}

// Lists one directory: names with their kinds, in directory order.
template <typename Visit>
void listDirectory(const QByteArray& directory, Visit visit)
{
    DIR* dir = ::opendir(directory.constData());
    if (!dir)
        return;
    while (const struct dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        visit(entry, kindOf(entry, directory));
    }
    ::closedir(dir);
}

QThreadPool& scanPool()
{
    static QThreadPool* pool = [] {
        auto* created = new QThreadPool;
        created->setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
        return created;
    }();
    return *pool;
}

struct DaySlot
{
    int total = 0;
    QStringList toRead;
    int readWithFast = 0;
};

// The own screenshots of one day folder, sorted by name. Works on the names'
// bytes: this runs for every screenshot each time the counts are shown.
QList<QByteArray> screenshotNames(const QByteArray& folder)
{
    QList<QByteArray> names;
    listDirectory(folder, [&](const struct dirent* entry, EntryKind kind) {
        if (kind == EntryKind::File && LibraryLayout::isOwnScreenshotName(QString::fromUtf8(entry->d_name)))
            names.append(QByteArray(entry->d_name));
    });
    std::sort(names.begin(), names.end());  // UTF-8 byte order: the same order for these names
    return names;
}

// Runs `scanDay(dayFolderPath)` for every day folder, in parallel, and returns
// the results in day order (oldest first).
template <typename Slot, typename ScanDay>
QList<Slot> scanDays(const QString& folder, ScanDay scanDay)
{
    QStringList days;
    listDirectory(QFile::encodeName(folder), [&](const struct dirent* entry, EntryKind) {
        const QString name = QString::fromUtf8(entry->d_name);
        if (LibraryLayout::isDayFolderName(name))
            days.append(name);
    });
    std::sort(days.begin(), days.end());

    // One slot per day, filled in parallel; each unit writes only its own
    // slot. The calling thread takes days too, so the scan finishes even when
    // every pool thread is busy with other scans.
    QList<Slot> daySlots(days.size());
    std::atomic<qsizetype> next{0};
    auto work = [&] {
        for (qsizetype index; (index = next.fetch_add(1)) < days.size();)
            daySlots[index] = scanDay(folder + QLatin1Char('/') + days[index]);
    };
    QList<QFuture<void>> helpers;
    for (int i = 1; i < qMin<qsizetype>(QThread::idealThreadCount(), days.size()); ++i)
        helpers.append(QtConcurrent::run(&scanPool(), work));
    work();
    for (QFuture<void>& helper : helpers)
        helper.waitForFinished();
    return daySlots;
}

DaySlot scanDay(const QString& dayFolder, TextRecognitionLevel level)
{
    const QByteArray folder = QFile::encodeName(dayFolder);
    const QList<QByteArray> names = screenshotNames(folder);

    DaySlot slot;
    slot.total = int(names.size());
    QByteArray path = folder + '/';
    const qsizetype prefixSize = path.size();
    for (const QByteArray& name : names) {
        path.truncate(prefixSize);
        path.append(name);
        const TextState state = TextMetadata::textState(path);
        if (state == TextState::Unread) {
            slot.toRead.append(QFile::decodeName(path));
        } else if (state == TextState::ReadWithFast && level == TextRecognitionLevel::Accurate) {
            slot.toRead.append(QFile::decodeName(path));
            ++slot.readWithFast;
        }
    }
    return slot;
}

void walkImages(const QByteArray& directory, QStringList& images)
{
    listDirectory(directory, [&](const struct dirent* entry, EntryKind kind) {
        if (entry->d_name[0] == '.')
            return;  // hidden
        const QByteArray path = directory + '/' + entry->d_name;
        if (kind == EntryKind::Directory)
            walkImages(path, images);
        else if (kind == EntryKind::File && ImageContent::isImageFile(QFile::decodeName(path)))
            images.append(QFile::decodeName(path));
    });
}

}  // namespace

QStringList TextSearchScan::regularFileNames(const QString& directory)
{
    QStringList names;
    listDirectory(QFile::encodeName(directory), [&](const struct dirent* entry, EntryKind kind) {
        if (kind == EntryKind::File)
            names.append(QString::fromUtf8(entry->d_name));
    });
    return names;
}

TextSearchScan::CaptureFolderResult TextSearchScan::scanCaptureFolder(const QString& folder, TextRecognitionLevel level)
{
    const QList<DaySlot> daySlots = scanDays<DaySlot>(folder,
                                                      [level](const QString& day) { return scanDay(day, level); });

    CaptureFolderResult result;
    for (const DaySlot& slot : daySlots) {
        result.total += slot.total;
        result.toRead += slot.toRead;
        result.readWithFast += slot.readWithFast;
    }
    return result;
}

TextSearchScan::ImagesResult TextSearchScan::findImages(const QString& folder, TextRecognitionLevel level)
{
    QStringList images;
    QByteArray root = QFile::encodeName(folder);
    while (root.size() > 1 && root.endsWith('/'))
        root.chop(1);
    walkImages(root, images);

    ImagesResult result;
    result.imageCount = int(images.size());
    for (const QString& path : images) {
        const TextState state = TextMetadata::textState(path);
        if (state == TextState::Unread || (state == TextState::ReadWithFast && level == TextRecognitionLevel::Accurate))
            result.toRead.append(path);
    }
    std::sort(result.toRead.begin(), result.toRead.end());
    return result;
}

QList<TextSearchScan::StoredText> TextSearchScan::storedTexts(const QString& folder)
{
    const QList<QList<StoredText>> days = scanDays<QList<StoredText>>(folder, [](const QString& dayFolder) {
        QList<StoredText> found;
        QByteArray path = QFile::encodeName(dayFolder) + '/';
        const qsizetype prefixSize = path.size();
        QString marker;
        for (const QByteArray& name : screenshotNames(path.left(prefixSize - 1))) {
            path.truncate(prefixSize);
            path.append(name);
            if (TextMetadata::textState(path, &marker) != TextState::Unread)
                found.append({QFile::decodeName(path), marker});
        }
        return found;
    });
    QList<StoredText> result;
    for (const QList<StoredText>& day : days)
        result += day;
    return result;
}
