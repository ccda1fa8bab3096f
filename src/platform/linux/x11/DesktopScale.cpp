#include "platform/linux/x11/DesktopScale.h"

#include <QList>

#include <cmath>

double DesktopScale::fromSession(const QByteArray& resourceManager, const QByteArray& gdkScale,
                                 const QByteArray& qtScaleFactor)
{
    if (const double dpi = positive(resource(resourceManager, "Xft.dpi")); dpi > 0)
        return dpi / kReferenceDpi;
    if (const double gdk = positive(gdkScale); gdk > 0)
        return gdk;
    if (const double qt = positive(qtScaleFactor); qt > 0)
        return qt;
    return 1.0;
}

QByteArray DesktopScale::resource(const QByteArray& resourceManager, const QByteArray& name)
{
    for (const QByteArray& line : resourceManager.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed() == name)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

int DesktopScale::logical(int pixels, double scale)
{
    if (!(scale > 1.0))
        return pixels;
    return std::max(1, int(std::lround(pixels / scale)));
}

double DesktopScale::positive(const QByteArray& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && value > 0 && std::isfinite(value) ? value : 0.0;
}
