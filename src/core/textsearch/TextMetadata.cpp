#include "core/textsearch/TextMetadata.h"

#include "core/textsearch/BinaryPlist.h"
#include "core/textsearch/TextCharacters.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/xattr.h>

const char TextMetadata::kTextAttribute[] = "user.com.apple.metadata:kMDItemTextContent";
const char TextMetadata::kMarkerAttribute[] = "user.app.momentra.Momentra.text";

namespace {

QString errorMessage(const QString& path, int error)
{
    if (error == 0)
        error = EIO;
    return QStringLiteral("Couldn't store the text of %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error)));
}

int setAttribute(const QByteArray& path, const char* name, const QByteArray& value)
{
    return ::setxattr(path.constData(), name, value.constData(), size_t(value.size()), 0) == 0 ? 0 : errno;
}

bool isOutOfRoom(int error)
{
    return error == E2BIG || error == ENOSPC || error == ERANGE;
}

// Both attributes written, the text cut to `characters` characters.
int writeBoth(const QByteArray& path, const QString& text, const QList<qsizetype>& ends, qsizetype characters,
              const QByteArray& marker)
{
    const QString cut = characters == 0 ? QString() : text.left(ends[characters - 1]);
    if (int error = setAttribute(path, TextMetadata::kTextAttribute, BinaryPlist::encodeString(cut)))
        return error;
    return setAttribute(path, TextMetadata::kMarkerAttribute, marker);
}

// The file system holds less than the whole text: find the most characters
// for which text and marker both fit.
Result<void> writeLongestPrefix(const QString& path, const QByteArray& nativePath, const QString& text,
                                const QByteArray& marker)
{
    const QList<qsizetype> ends = TextCharacters::boundaries(text);
    qsizetype low = 0, high = ends.size() - 1;  // the whole text did not fit
    int error = writeBoth(nativePath, text, ends, 0, marker);
    if (error)
        return Result<void>::failure(errorMessage(path, error));
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        error = writeBoth(nativePath, text, ends, middle, marker);
        if (error == 0)
            low = middle;
        else if (isOutOfRoom(error))
            high = middle - 1;
        else
            return Result<void>::failure(errorMessage(path, error));
    }
    error = writeBoth(nativePath, text, ends, low, marker);
    if (error)
        return Result<void>::failure(errorMessage(path, error));
    return Result<void>::success();
}

}  // namespace

QString TextMetadata::markerWord(std::optional<TextRecognitionLevel> level)
{
    if (!level)
        return QStringLiteral("none");
    return *level == TextRecognitionLevel::Fast ? QStringLiteral("fast") : QStringLiteral("accurate");
}

Result<void> TextMetadata::write(const QString& text, const QString& path, std::optional<TextRecognitionLevel> level)
{
    const QString kept = TextCharacters::prefix(text, TextCharacters::kStoredLimit);
    const QByteArray nativePath = QFile::encodeName(path);
    const QByteArray marker = markerWord(level).toUtf8();

    int error = setAttribute(nativePath, kTextAttribute, BinaryPlist::encodeString(kept));
    if (isOutOfRoom(error))
        return writeLongestPrefix(path, nativePath, kept, marker);
    if (error)
        return Result<void>::failure(errorMessage(path, error));
    error = setAttribute(nativePath, kMarkerAttribute, marker);
    if (isOutOfRoom(error))  // the text fitted alone, not beside the marker
        return writeLongestPrefix(path, nativePath, kept, marker);
    if (error)
        return Result<void>::failure(errorMessage(path, error));
    return Result<void>::success();
}

std::optional<QString> TextMetadata::readMarker(const QByteArray& nativePath)
{
    char buffer[kMarkerBufferSize];
    const ssize_t size = ::lgetxattr(nativePath.constData(), kMarkerAttribute, buffer, sizeof buffer);
    if (size < 0)
        return std::nullopt;
    return QString::fromUtf8(buffer, size);
}

TextState TextMetadata::textState(const QByteArray& nativePath, QString* marker)
{
    if (const std::optional<QString> word = readMarker(nativePath)) {
        if (marker)
            *marker = *word;
        return *word == QLatin1String("fast") ? TextState::ReadWithFast : TextState::Searchable;
    }
    if (marker)
        marker->clear();
    return ::lgetxattr(nativePath.constData(), kTextAttribute, nullptr, 0) >= 0 ? TextState::Searchable
                                                                                : TextState::Unread;
}

std::optional<QString> TextMetadata::readText(const QString& path)
{
    const QByteArray nativePath = QFile::encodeName(path);
    for (int attempt = 0; attempt < 3; ++attempt) {  // the value may change between the two calls
        const ssize_t size = ::lgetxattr(nativePath.constData(), kTextAttribute, nullptr, 0);
        if (size < 0)
            return std::nullopt;
        QByteArray value(size, Qt::Uninitialized);
        const ssize_t read = ::lgetxattr(nativePath.constData(), kTextAttribute, value.data(), size_t(size));
        if (read >= 0) {
            value.truncate(read);
            return BinaryPlist::decodeString(value);
        }
        if (errno != ERANGE)
            return std::nullopt;
    }
    return std::nullopt;
}
