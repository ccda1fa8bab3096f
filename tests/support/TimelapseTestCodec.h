#pragma once

#include "core/library/ImageCodec.h"

#include <QColor>
#include <QSize>
#include <QString>

#include <atomic>

// Test-only image codec over QImage, for timelapse tests. An optional delay
// per decode makes exports slow enough to cancel in the middle.
class TimelapseTestCodec : public ImageCodec
{
public:
    Result<QByteArray> encode(const Bitmap& image, ScreenshotFormat format, double quality) override;
    Result<Bitmap> decode(const QByteArray& data) override;
    Result<Bitmap> decodeFile(const QString& path) override;

    void setDecodeDelayMs(int ms) { m_delayMs = ms; }

    // Writes a JPEG (by extension: .jpeg/.png) of one colour, with a white
    // square in the top-left corner so frames differ from plain colour.
    static void writeImage(const QString& path, QSize size, const QColor& colour);

private:
    std::atomic_int m_delayMs{0};
};
