#include "cli/RunCommand.h"

#include "cli/CommandLogging.h"
#include "cli/CommandRegistry.h"
#include "cli/Console.h"
#include "cli/SignalWatcher.h"
#include "core/capture/DisplayCapture.h"
#include "core/capture/ScreenshotManager.h"
#include "core/capture/SystemCaptureGates.h"
#include "core/settings/EventLog.h"
#include "core/settings/Preferences.h"
#include "media/image/MediaImageCodec.h"
#include "platform/linux/DesktopNotifier.h"
#include "platform/linux/ScreenSourceFactory.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <csignal>

namespace {

const bool registered = CommandRegistry::instance().add(
    {QStringLiteral("run"), QStringLiteral("run"),
     QStringLiteral("capture on the stored interval in the foreground, logging to standard error, "
                    "until Ctrl-C"),
     &RunCommand::run});

// The engine's host side: what the tray application installs, minus the
// tray. The capture state is not stored as the application's own.
void installCallbacks(ScreenshotManager& engine, Preferences& preferences, DesktopNotifier& notifier)
{
    engine.onDisplayOrdinalsChanged = [&preferences](const QMap<QString, int>& ordinals) {
        preferences.setDisplayOrdinals(ordinals);
    };
    engine.onCaptureSucceeded = [&preferences](const QDateTime& at) { preferences.recordCaptureDay(at); };
    engine.onFailureNotification = [&notifier](const QString& message) {
        notifier.notify(QStringLiteral("Momentra"), QStringLiteral("Screenshot capture failed: ") + message);
    };
}

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
    MediaImageCodec codec;
    DisplayCapture capture(*source.value(), codec);
    SystemCaptureGates gates;
    ScreenshotManager engine(capture, gates);
    Preferences& preferences = Preferences::shared();
    DesktopNotifier notifier(QDBusConnection::sessionBus());
    installCallbacks(engine, preferences, notifier);

    // Settings changed elsewhere (the settings file, `momentra defaults`) apply at once.
    QObject::connect(&preferences, &Preferences::changed, &engine,
                     [&engine, &preferences] { engine.update(preferences.captureConfiguration()); });

    SignalWatcher signals({SIGINT, SIGTERM});
    stopOnSignals(signals, engine);

    engine.start(preferences.captureConfiguration());
    const int status = QCoreApplication::exec();
    EventLog::shared().flush();
    return status;
}
