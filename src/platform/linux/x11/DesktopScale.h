#pragma once

#include <QByteArray>

// The desktop's scale factor on X11, which has no per-display scale: the
// Xft.dpi resource divided by 96 when the session sets it, else GDK_SCALE,
// else QT_SCALE_FACTOR, else 1.
class DesktopScale
{
public:
    static constexpr double kReferenceDpi = 96.0;

    // resourceManager: the root window's RESOURCE_MANAGER text.
    static double fromSession(const QByteArray& resourceManager, const QByteArray& gdkScale,
                              const QByteArray& qtScaleFactor);
    // The value of one resource ("Xft.dpi") from RESOURCE_MANAGER text, empty when absent.
    static QByteArray resource(const QByteArray& resourceManager, const QByteArray& name);
    // Pixels at this scale, rounded; unchanged when the scale is 1 or less.
    static int logical(int pixels, double scale);

private:
    static double positive(const QByteArray& text);
};
