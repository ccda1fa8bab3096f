#include "app/DiagnosticsCollector.h"

#include "app/AppDelegate.h"
#include "app/AppRoot.h"
#include "app/CaptureService.h"
#include "core/LoginItems.h"
#include "core/capture/ScreenCapturePermission.h"
#include "core/capture/ScreenSource.h"
#include "core/cleanup/CleanupController.h"
#include "core/diagnostics/DiagnosticsFacts.h"
#include "platform/linux/SystemDescription.h"

namespace {

// The active displays as the screen source lists them; none without a screen.
// Without a grant none either: listing them must not ask the user to share the screen.
QList<DisplayInfo> activeDisplays(AppRoot& root)
{
    if (!root.capturePermission().isGranted())
        return {};
    auto source = root.createScreenSource();
    if (!source)
        return {};
    auto content = source.value()->content();
    return content ? content.value().displays : QList<DisplayInfo>();
}

}  // namespace

QString DiagnosticsCollector::collect(AppRoot& root, CaptureService* running, int logDays, int logLines)
{
    DiagnosticsFacts facts;
    facts.version = AppDelegate::versionWithBuild();
    facts.deviceModel = SystemDescription::deviceModel();
    facts.architecture = SystemDescription::architecture();
    facts.operatingSystem = SystemDescription::operatingSystem();
    facts.session = SystemDescription::session();
    const GateSources::Choice& gates = root.gateSources();
    facts.idleSource = GateSources::name(gates.idle)
                       + (gates.idleUnavailable.isEmpty() ? QString() : QStringLiteral(" (unavailable)"));
    facts.frontAppSource = GateSources::name(gates.frontApp)
                           + (gates.frontAppUnavailable.isEmpty() ? QString() : QStringLiteral(" (unavailable)"));
    facts.globalShortcut = globalShortcutMechanismName(root.globalShortcutBackend().mechanism);
    facts.uptimeSeconds = root.launchDate().secsTo(QDateTime::currentDateTime());
    facts.hasCapturePermission = root.capturePermission().isGranted();
    facts.launchesAtLogin = root.loginItems().status() == LoginItems::Status::Enabled;
    if (running) {
        running->cleanup().flushSweepLog();  // so the pending cleanup summary is in the log block
        facts.takeEngineState(running->engine());
    }
    facts.displays = activeDisplays(root);
    return DiagnosticsReport::text(facts, root.preferences(), root.log(), logDays, logLines);
}
