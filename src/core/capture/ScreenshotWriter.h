#pragma once

#include "core/Bitmap.h"
#include "core/Result.h"
#include "core/library/ScreenshotFormat.h"

#include <QString>

class ImageCodec;

// Writes screenshots so that no reader ever sees half of one: the image is
// encoded in memory, written to a hidden temporary file beside its final
// name, flushed to disk, marked, and renamed into place. Files are private
// (0600); folders this class creates are private too (0700).
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

    // Encodes and writes one image; returns the bytes written. An encoder
    // failure is reported as "Failed to encode screenshot."; a file-system
    // failure names the file and the system's reason.
    Result<qint64> writeImage(const Bitmap& image, const QString& path, ScreenshotFormat format, double quality);

    // The hidden name the image is written under before the rename.
    static bool isTemporaryName(const QString& fileName);

    // Deletes the hidden partial files a killed process left in a folder,
    // when they are older than `minimumAgeSeconds` (so that a write still in
    // progress elsewhere is never touched). Returns how many went.
    static int removeStalePartials(const QString& folder, qint64 minimumAgeSeconds = kStalePartialSeconds);
    static constexpr qint64 kStalePartialSeconds = 600;

private:
    ImageCodec& m_codec;
};
