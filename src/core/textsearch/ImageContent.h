#pragma once

#include <QByteArray>
#include <QString>

// Tells image files from other files by their first bytes, whatever their
// names: the formats the image codec decodes, PNG, JPEG and the HEIF family
// (HEIC, AVIF).
class ImageContent
{
public:
    static constexpr int kHeaderSize = 32;

    static bool looksLikeImage(const QByteArray& header);
    static bool isImageFile(const QString& path);  // reads the first bytes only
};
