#include "cli/CaptureCommand.h"

#include "cli/CommandLogging.h"
#include "cli/CommandRegistry.h"
#include "cli/Console.h"
#include "core/capture/DisplayCapture.h"
#include "core/log/EventLog.h"
#include "core/settings/Preferences.h"
#include "media/image/MediaImageCodec.h"
#include "platform/linux/ScreenSourceFactory.h"

namespace {

const bool registered = CommandRegistry::instance().add(
    {QStringLiteral("capture"), QStringLiteral("capture"),
     QStringLiteral("take one screenshot of every display now with the stored settings and print the files "
                    "written (exit 1 if any display failed)"),
     &CaptureCommand::run});

// Keeps the ordinals given to new displays, as the engine does.
void persistOrdinals(Preferences& preferences, const CaptureConfiguration& configuration,
                     const CaptureTickResult& result)
{
    if (!result.isFailure() && result.displayOrdinals() != configuration.displayOrdinals)
        preferences.setDisplayOrdinals(result.displayOrdinals());
}

}  // namespace

int CaptureCommand::run(const QStringList& arguments)
{
    if (!arguments.isEmpty())
        return Console::usageError(QStringLiteral("capture takes no arguments"));
    CommandLogging::install(false);
    Preferences& preferences = Preferences::shared();
    const CaptureConfiguration configuration = preferences.captureConfiguration();

    auto source = createScreenSource();
    if (!source)
        return Console::failure(source.error());
    MediaImageCodec codec;
    DisplayCapture capture(*source.value(), codec);
    const QDateTime now = QDateTime::currentDateTime();
    QStringList written;
    const CaptureTickResult result = capture.capture(configuration, now, &written);
    persistOrdinals(preferences, configuration, result);

    for (const QString& file : std::as_const(written))
        Console::out(file);
    if (!written.isEmpty())
        preferences.recordCaptureDay(now);

    int status = 0;
    if (result.isDisplayMissing()) {
        status = Console::failure(configuration.onlyDisplay->name
                                  + QStringLiteral(" isn't connected; nothing was captured"));
    } else if (result.failureText()) {
        EventLog::shared().logError(QStringLiteral("Capture failed: ") + *result.failureText(), EventLog::kEngine);
        status = Console::failure(*result.failureText());
    }
    EventLog::shared().flush();
    return status;
}
