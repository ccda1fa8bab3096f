#pragma once

#include "core/library/ImageCodec.h"

#include <atomic>

// The image codec of the core tests: PNG's signature, the size, then the
// pixels as they are. Its files are images by content, and they decode only
// when whole, so a cut-off file fails as a real one does.
class TestCodec : public ImageCodec
{
public:
    Result<QByteArray> encode(const Bitmap& image, ScreenshotFormat format, double quality) override;
    Result<Bitmap> decode(const QByteArray& data) override;
    Result<Bitmap> decodeFile(const QString& path) override;

    // Writes an image of one colour, making the folders on the way.
    static bool writeFile(const QString& path, int width, int height, quint32 argb = 0xff336699);
    // A file that is not an image, whatever its name.
    static bool writeNonImage(const QString& path);

    std::atomic<bool> fails{false};  // every encode fails while set
};
