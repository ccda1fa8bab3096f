#include "cli/RunCommand.h"

#include "app/AppRoot.h"
#include "app/CaptureService.h"
#include "app/DiagnosticsCollector.h"
#include "app/RemoteControl.h"
#include "app/ToggleCaptureShortcut.h"
#include "app/search/SearchComponent.h"
#include "cli/CommandLogging.h"
#include "cli/Console.h"
#include "cli/SignalWatcher.h"
#include "core/capture/ScreenshotManager.h"
#include "core/log/EventLog.h"
#include "core/search/IndexFirstSearch.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <csignal>

namespace {

// First signal: stop, let a running capture finish, quit. A second one quits
// at once (the engine still waits for the capture before it goes away).
void stopOnSignals(SignalWatcher& signals, ScreenshotManager& engine)
{
    QObject::connect(&signals, &SignalWatcher::received, &engine, [&engine] {
        if (!engine.isCapturing()) {
            QCoreApplication::quit();
            return;
        }
        engine.stop();
        if (!engine.isTicking()) {
            QCoreApplication::quit();
            return;
        }
        QObject::connect(&engine, &ScreenshotManager::tickFinished, qApp, &QCoreApplication::quit);
    });
}

}  // namespace

Command RunCommand::command()
{
    return {QStringLiteral("run"), QStringLiteral("run"),
            QStringLiteral("capture on the stored interval in the foreground, logging to standard error, "
                           "until Ctrl-C"),
            &RunCommand::run};
}

int RunCommand::run(AppRoot& root, const QStringList& arguments)
{
    if (!arguments.isEmpty())
        return Console::usageError(QStringLiteral("run takes no arguments"));
    CommandLogging::install(root.log(), true);

    auto created = root.createCaptureService();
    if (!created)
        return Console::failure(created.error());
    CaptureService& service = *created.value();
    RemoteControl remote(service, QDBusConnection::sessionBus());
    remote.setDiagnostics(
        [&](int days, int lines) { return DiagnosticsCollector::collect(root, &service, days, lines); });
    switch (remote.registerOnBus()) {
    case RemoteControl::Registration::AlreadyRunning:
        return Console::failure(QStringLiteral("Momentra is already running in this session"));
    case RemoteControl::Registration::NoBus:
        root.log().log(QStringLiteral("No D-Bus session bus; momentra toggle can't reach this instance"));
        break;
    case RemoteControl::Registration::Registered:
        break;
    }

    // The desktop's search reaches the name's owner: answered here too, without the search window.
    SearchComponent search(root.screenshotSearch(), root.codec());
    search.exportOn(QDBusConnection::sessionBus(), SearchComponent::Claim::Keeping);

    SignalWatcher signals({SIGINT, SIGTERM});
    stopOnSignals(signals, service.engine());

    ToggleCaptureShortcut::install([&service] { service.toggle(); }, root.shortcuts(), root.connectGlobalShortcuts());
    service.start();
    const int status = QCoreApplication::exec();
    root.log().flush();
    return status;
}
