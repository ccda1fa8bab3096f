#pragma once

#include "core/Bitmap.h"
#include "core/Result.h"
#include "core/library/ScreenshotFormat.h"

#include <QString>

class ImageCodec;

// Writes screenshots so that no reader ever sees half of one: the image is
// encoded in memory, written to a hidden partial file (named with this
// process's id, see PartialFiles) beside its final name, flushed to disk, marked, and renamed into place. Files are
// private (0600); folders this class creates are private too (0700).
class ScreenshotWriter
{
public:
    static constexpr const char* kMarkerAttribute = "user.app.momentra.Momentra.capture";
    static constexpr mode_t kFileMode = 0600;
    static constexpr mode_t kFolderMode = 0700;

    explicit ScreenshotWriter(ImageCodec& codec)
        : m_codec(codec)
    {
    }

    // Creates the folder and any missing parent (mode 0700). An existing
    // folder is left as it is. Returns the path or why it couldn't be made.
    static Result<QString> ensureFolder(const QString& path);

    struct Written
    {
        QString path;  // where the image went
        qint64 bytes = 0;
    };

    // Encodes and writes one image. An existing file is never replaced: when
    // the name is taken the image goes to the next free numbered name
    // (LibraryLayout::numberedFileName). An encoder failure is reported as
    // "Failed to encode screenshot."; a file-system failure names the folder
    // and the system's reason, never the file, so that a failure that lasts
    // (a full disk) reads the same on every tick.
    Result<Written> writeImage(const Bitmap& image, const QString& path, ScreenshotFormat format, double quality);

    // The hidden name the image is written under before the rename
    // (PartialFiles).
    static bool isTemporaryName(const QString& fileName);

private:
    ImageCodec& m_codec;
};
