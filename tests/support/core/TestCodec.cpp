#include "support/core/TestCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace {

const QByteArray kSignature("\x89PNG\r\n\x1a\n");
constexpr qsizetype kHeader = 8 + 2 * sizeof(qint32);

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

Result<QByteArray> TestCodec::encode(const Bitmap& image, ScreenshotFormat, double)
{
    if (fails || image.isNull())
        return Result<QByteArray>::failure(QStringLiteral("test codec refused"));
    QByteArray data = kSignature;
    const qint32 size[2] = {image.width, image.height};
    data.append(reinterpret_cast<const char*>(size), sizeof size);
    for (int y = 0; y < image.height; ++y)
        data.append(reinterpret_cast<const char*>(image.row(y)), qsizetype(image.width) * 4);
    return data;
}

Result<Bitmap> TestCodec::decode(const QByteArray& data)
{
    qint32 size[2] = {0, 0};
    if (data.startsWith(kSignature) && data.size() >= kHeader)
        std::memcpy(size, data.constData() + 8, sizeof size);
    if (size[0] <= 0 || size[1] <= 0 || data.size() != kHeader + qsizetype(size[0]) * size[1] * 4)
        return Result<Bitmap>::failure(QStringLiteral("not a whole test image"));
    return Bitmap{size[0], size[1], size[0] * 4, data.mid(kHeader)};
}

Result<Bitmap> TestCodec::decodeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<Bitmap>::failure(path + QStringLiteral(": ") + file.errorString());
    return decode(file.readAll());
}

bool TestCodec::writeFile(const QString& path, int width, int height, quint32 argb)
{
    return writeBytes(path, TestCodec().encode(Bitmap::filled(width, height, argb), ScreenshotFormat::Png, 0).value());
}

bool TestCodec::writeNonImage(const QString& path)
{
    return writeBytes(path, "this is plain text, not a picture\n");
}
