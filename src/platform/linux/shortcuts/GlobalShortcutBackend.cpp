#include "platform/linux/shortcuts/GlobalShortcutBackend.h"

#include "platform/linux/SessionProbe.h"
#include "platform/linux/shortcuts/KGlobalAccelHotKeyService.h"
#include "platform/linux/shortcuts/PortalHotKeyService.h"

namespace {

bool onDesktop(const GlobalShortcutBackend::Facts& facts, const char* name)
{
    return facts.desktops.contains(QLatin1String(name), Qt::CaseInsensitive);
}

}  // namespace

GlobalShortcutBackend::Facts GlobalShortcutBackend::probe(SessionProbe& session)
{
    Facts facts;
    facts.hasWaylandDisplay = session.hasWaylandDisplay();
    facts.hasX11Display = session.hasX11Display();
    facts.desktops = session.desktops();
    facts.hasSwaySocket = session.hasSwaySocket();
    if (!facts.hasWaylandDisplay)
        return facts;
    // sway's portal backend has no global shortcuts: ask a portal that runs, start none for it.
    facts.hasPortal = PortalHotKeyService::isOffered(session.sessionBus(), !facts.hasSwaySocket);
    if (!facts.hasPortal)
        facts.hasKGlobalAccel = session.hasService(QLatin1String(KGlobalAccelHotKeyService::kServiceName), true);
    return facts;
}

GlobalShortcutBackend::Choice GlobalShortcutBackend::choose(const Facts& facts)
{
    using M = GlobalShortcutMechanism;
    if (!facts.hasWaylandDisplay) {
        if (facts.hasX11Display)
            return {M::x11KeyGrab, QStringLiteral("Global shortcut through an X11 key grab")};
        return {M::none, QStringLiteral("No global shortcut: there is no graphical session")};
    }
    if (facts.hasPortal)
        return {M::desktopPortal, QStringLiteral("Global shortcut through the desktop portal "
                                                 "(org.freedesktop.portal.GlobalShortcuts)")};
    if (facts.hasKGlobalAccel && onDesktop(facts, "KDE"))
        return {M::kdeGlobalShortcuts, QStringLiteral("Global shortcut through KDE global shortcuts "
                                                      "(org.kde.kglobalaccel): the desktop portal has no "
                                                      "GlobalShortcuts")};
    if (onDesktop(facts, "GNOME"))
        return {M::gnomeKeyboardSettings,
                QStringLiteral("Global shortcut through GNOME keyboard settings: the desktop portal has no "
                               "GlobalShortcuts, so a custom shortcut runs momentra toggle once the user adds it "
                               "in the General tab")};
    if (facts.hasSwaySocket || onDesktop(facts, "sway"))
        return {M::swayConfiguration,
                QStringLiteral("Global shortcut through the sway configuration: sway lets no program bind keys, "
                               "so the General tab shows the bindsym line that runs momentra toggle")};
    return {M::none, QStringLiteral("No global shortcut on this Wayland desktop: no GlobalShortcuts portal, no KDE "
                                    "global shortcuts, neither GNOME nor sway; a key bound to momentra toggle in the "
                                    "desktop's settings does the same")};
}
