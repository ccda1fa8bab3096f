#include "platform/linux/wayland/ShmPixels.h"

#include <wayland-client-protocol.h>

namespace {

constexpr quint32 kOpaque = 0xff000000u;

}  // namespace

bool ShmPixels::isSupported(quint32 format)
{
    return format == WL_SHM_FORMAT_ARGB8888 || format == WL_SHM_FORMAT_XRGB8888 || isRedFirst(format);
}

bool ShmPixels::isRedFirst(quint32 format)
{
    return format == WL_SHM_FORMAT_ABGR8888 || format == WL_SHM_FORMAT_XBGR8888;
}

Result<Bitmap> ShmPixels::toBitmap(const uchar* data, const Layout& layout, Bitmap into)
{
    if (!isSupported(layout.format))
        return Result<Bitmap>::failure(
            QStringLiteral("the compositor offers pixel format 0x%1, which Momentra cannot read")
                .arg(layout.format, 8, 16, QLatin1Char('0')));
    if (layout.width <= 0 || layout.height <= 0 || layout.stride < layout.width * 4)
        return Result<Bitmap>::failure(QStringLiteral("the compositor offered a frame of %1×%2 pixels, stride %3")
                                           .arg(layout.width)
                                           .arg(layout.height)
                                           .arg(layout.stride));
    const qsizetype size = qsizetype(layout.width) * layout.height * 4;
    if (into.width != layout.width || into.height != layout.height || into.pixels.size() != size)
        into = Bitmap{layout.width, layout.height, layout.width * 4, QByteArray(size, Qt::Uninitialized)};
    const bool swap = isRedFirst(layout.format);
    for (int y = 0; y < layout.height; ++y) {
        const int sourceRow = layout.yInverted ? layout.height - 1 - y : y;
        const auto* from = reinterpret_cast<const quint32*>(data + qsizetype(sourceRow) * layout.stride);
        auto* to = reinterpret_cast<quint32*>(into.row(y));
        if (swap) {
            for (int x = 0; x < layout.width; ++x) {
                const quint32 p = from[x];
                to[x] = kOpaque | ((p & 0xffu) << 16) | (p & 0xff00u) | ((p >> 16) & 0xffu);
            }
        } else {
            for (int x = 0; x < layout.width; ++x)
                to[x] = from[x] | kOpaque;
        }
    }
    return into;
}
