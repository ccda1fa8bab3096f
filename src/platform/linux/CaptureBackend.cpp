#include "platform/linux/CaptureBackend.h"

#include "platform/linux/SessionProbe.h"

CaptureBackend::Facts CaptureBackend::probe(SessionProbe& session)
{
    Facts facts;
    facts.hasWaylandDisplay = session.hasWaylandDisplay();
    facts.hasX11Display = session.hasX11Display();
    facts.forcesPortal = qEnvironmentVariable("MOMENTRA_CAPTURE_BACKEND") == QLatin1String("portal");
    if (!facts.hasWaylandDisplay)
        return facts;
    facts.hasScreencopy = session.hasGlobal("zwlr_screencopy_manager_v1");
    facts.waylandError = session.waylandError();
    if (!facts.hasScreencopy || facts.forcesPortal)
        facts.hasPortal = session.hasService(QStringLiteral("org.freedesktop.portal.Desktop"), true);
    return facts;
}

CaptureBackend::Choice CaptureBackend::choose(const Facts& facts)
{
    if (facts.hasWaylandDisplay)
        return onWayland(facts);
    if (facts.hasX11Display)
        return {Kind::X11, QStringLiteral("Capturing through X11: DISPLAY is set and WAYLAND_DISPLAY is not")};
    return {Kind::None, QStringLiteral("No graphical session: neither WAYLAND_DISPLAY nor DISPLAY is set.")};
}

CaptureBackend::Choice CaptureBackend::onWayland(const Facts& facts)
{
    if (facts.waylandError && !facts.hasX11Display)
        return {Kind::None, *facts.waylandError};
    if (facts.forcesPortal && !facts.waylandError && facts.hasPortal)
        return {Kind::Portal, QStringLiteral("Capturing through the screen-cast portal: MOMENTRA_CAPTURE_BACKEND "
                                             "asks for it")};
    if (facts.hasScreencopy)
        return {Kind::Screencopy, QStringLiteral("Capturing through wlroots screen copy: WAYLAND_DISPLAY is set and "
                                                 "the compositor offers zwlr_screencopy_manager_v1")};
    if (!facts.waylandError && facts.hasPortal)
        return {Kind::Portal, QStringLiteral("Capturing through the screen-cast portal: WAYLAND_DISPLAY is set and "
                                             "the compositor has no wlroots screen copy")};
    const QString why = facts.waylandError
                            ? *facts.waylandError
                            : QStringLiteral("the compositor has no wlroots screen copy and the session bus no "
                                             "screen-cast portal (xdg-desktop-portal)");
    if (facts.hasX11Display)
        return {Kind::X11, QStringLiteral("Capturing through X11 although WAYLAND_DISPLAY is set: %1; only windows "
                                          "of X11 applications appear in screenshots")
                               .arg(why)};
    return {Kind::None, QStringLiteral("This Wayland session offers no way to capture the screen: %1.").arg(why)};
}

QStringList CaptureBackend::unkeptSettings(Kind kind, int excludedApps, bool hidesNotifications, bool hidesDesktopIcons)
{
    QStringList lines;
    if (!isWayland(kind))
        return lines;
    if (excludedApps > 0)
        lines << QStringLiteral("On Wayland the windows of %1 cannot be left out of screenshots; capture only "
                                "pauses while %2 the active app")
                     .arg(excludedApps == 1 ? QStringLiteral("the excluded app")
                                            : QStringLiteral("the %1 excluded apps").arg(excludedApps),
                          excludedApps == 1 ? QStringLiteral("it is") : QStringLiteral("one of them is"));
    if (hidesNotifications)
        lines << QStringLiteral("On Wayland notifications cannot be hidden from screenshots");
    if (hidesDesktopIcons)
        lines << QStringLiteral("On Wayland desktop icons cannot be hidden from screenshots");
    return lines;
}
