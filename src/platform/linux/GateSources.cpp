#include "platform/linux/GateSources.h"

#include "platform/linux/LogindClient.h"
#include "platform/linux/SessionProbe.h"
#include "platform/linux/ShellExtensionFrontmostApp.h"

namespace {

GateSources::Idle idleOnWayland(const GateSources::Facts& facts)
{
    using Idle = GateSources::Idle;
    if (facts.extIdleNotifier)
        return Idle::ExtIdleNotifier;
    if (facts.kdeIdle)
        return Idle::KdeIdle;
    if (facts.mutterIdleMonitor)
        return Idle::MutterIdleMonitor;
    return facts.logindSession ? Idle::LogindIdleHint : Idle::None;
}

GateSources::FrontApp frontAppOnWayland(const GateSources::Facts& facts)
{
    using FrontApp = GateSources::FrontApp;
    if (facts.foreignToplevels)
        return FrontApp::WlrForeignToplevel;
    if (facts.kwin)
        return FrontApp::KWinScript;
    if (facts.gnomeShell || facts.shellExtension)
        return FrontApp::GnomeShellExtension;
    return FrontApp::None;
}

}  // namespace

GateSources::Choice GateSources::choose(const Facts& facts)
{
    Choice choice;
    if (facts.wayland) {
        choice.idle = idleOnWayland(facts);
        choice.frontApp = frontAppOnWayland(facts);
    } else if (facts.x11) {
        choice.idle = Idle::XScreenSaver;
        choice.frontApp = FrontApp::X11ActiveWindow;
    }
    if (choice.idle == Idle::None)
        choice.idleUnavailable = facts.wayland ? QStringLiteral("neither the compositor, GNOME nor logind tells how "
                                                                "long keyboard and pointer have been left alone")
                                               : QStringLiteral("there is no graphical session");
    if (choice.frontApp == FrontApp::GnomeShellExtension && !facts.shellExtension)
        choice.frontAppUnavailable = QStringLiteral("GNOME tells apps which app is active only through the "
                                                    "Momentra extension; turn it on in the Extensions app");
    else if (choice.frontApp == FrontApp::None)
        choice.frontAppUnavailable = facts.wayland ? QStringLiteral("this desktop tells no app which app is active")
                                                   : QStringLiteral("there is no graphical session");
    return choice;
}

QStringList GateSources::Choice::sentences() const
{
    QStringList lines{QStringLiteral("Idle time from %1; the active app from %2")
                          .arg(GateSources::name(idle), GateSources::name(frontApp))};
    if (!idleUnavailable.isEmpty())
        lines << QStringLiteral("Pausing when idle is unavailable on this desktop: ") + idleUnavailable;
    if (!frontAppUnavailable.isEmpty())
        lines << QStringLiteral("Pausing while an excluded app is active is unavailable on this desktop: ")
                     + frontAppUnavailable;
    return lines;
}

QString GateSources::name(Idle idle)
{
    switch (idle) {
    case Idle::XScreenSaver:
        return QStringLiteral("the XScreenSaver extension");
    case Idle::ExtIdleNotifier:
        return QStringLiteral("ext_idle_notifier_v1");
    case Idle::KdeIdle:
        return QStringLiteral("org_kde_kwin_idle");
    case Idle::MutterIdleMonitor:
        return QStringLiteral("org.gnome.Mutter.IdleMonitor");
    case Idle::LogindIdleHint:
        return QStringLiteral("logind's IdleHint");
    case Idle::None:
        break;
    }
    return QStringLiteral("nowhere");
}

QString GateSources::name(FrontApp frontApp)
{
    switch (frontApp) {
    case FrontApp::X11ActiveWindow:
        return QStringLiteral("_NET_ACTIVE_WINDOW");
    case FrontApp::WlrForeignToplevel:
        return QStringLiteral("zwlr_foreign_toplevel_manager_v1");
    case FrontApp::KWinScript:
        return QStringLiteral("a KWin script");
    case FrontApp::GnomeShellExtension:
        return QStringLiteral("the Momentra GNOME Shell extension");
    case FrontApp::None:
        break;
    }
    return QStringLiteral("nowhere");
}

GateSources::Facts GateSources::probe(SessionProbe& session, QDBusConnection systemBus)
{
    Facts facts;
    facts.wayland = session.hasWaylandDisplay();
    facts.x11 = session.hasX11Display();
    if (!facts.wayland)
        return facts;
    facts.extIdleNotifier = session.hasGlobal("ext_idle_notifier_v1");
    facts.kdeIdle = session.hasGlobal("org_kde_kwin_idle");
    facts.foreignToplevels = session.hasGlobal("zwlr_foreign_toplevel_manager_v1");
    facts.mutterIdleMonitor = session.hasService(QStringLiteral("org.gnome.Mutter.IdleMonitor"));
    facts.kwin = session.hasService(QStringLiteral("org.kde.KWin"));
    facts.gnomeShell = session.hasService(QStringLiteral("org.gnome.Shell"));
    facts.shellExtension = session.hasService(QLatin1String(ShellExtensionFrontmostApp::kService));
    if (!facts.extIdleNotifier && !facts.kdeIdle && !facts.mutterIdleMonitor)
        facts.logindSession = LogindClient(std::move(systemBus)).sessionFacts().presence
                              == LogindClient::Presence::Present;
    return facts;
}
