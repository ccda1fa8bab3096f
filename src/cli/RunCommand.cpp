#include "cli/RunCommand.h"

#include "cli/CommandLogging.h"
#include "cli/CommandRegistry.h"
#include "cli/Console.h"
#include "cli/SignalWatcher.h"
#include "app/CaptureService.h"
#include "core/capture/ScreenshotManager.h"
#include "core/settings/EventLog.h"
#include "core/settings/Preferences.h"
#include "platform/linux/ScreenSourceFactory.h"

#include <QCoreApplication>

#include <csignal>

namespace {

const bool registered = CommandRegistry::instance().add(
    {QStringLiteral("run"), QStringLiteral("run"),
     QStringLiteral("capture on the stored interval in the foreground, logging to standard error, "
                    "until Ctrl-C"),
     &RunCommand::run});

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

int RunCommand::run(const QStringList& arguments)
{
    if (!arguments.isEmpty())
        return Console::usageError(QStringLiteral("run takes no arguments"));
    CommandLogging::install(true);

    auto source = createScreenSource();
    if (!source)
        return Console::failure(source.error());
    CaptureService service(std::move(source).value(), Preferences::shared());

    SignalWatcher signals({SIGINT, SIGTERM});
    stopOnSignals(signals, service.engine());

    service.start();
    const int status = QCoreApplication::exec();
    EventLog::shared().flush();
    return status;
}
