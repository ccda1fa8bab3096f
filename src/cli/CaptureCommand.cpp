#include "cli/CaptureCommand.h"

#include "app/AppRoot.h"
#include "cli/CommandLogging.h"
#include "cli/Console.h"
#include "core/capture/DisplayCapture.h"
#include "core/log/EventLog.h"
#include "core/settings/Preferences.h"

namespace {

// Keeps the ordinals given to new displays, as the engine does.
void persistOrdinals(Preferences& preferences, const CaptureConfiguration& configuration,
                     const CaptureTickResult& result)
{
    if (!result.isFailure() && result.displayOrdinals() != configuration.displayOrdinals)
        preferences.setDisplayOrdinals(result.displayOrdinals());
}

}  // namespace

Command CaptureCommand::command()
{
    return {QStringLiteral("capture"), QStringLiteral("capture"),
            QStringLiteral("take one screenshot of every display now with the stored settings and print the files "
                           "written (exit 1 if any display failed)"),
            &CaptureCommand::run};
}

int CaptureCommand::run(AppRoot& root, const QStringList& arguments)
{
    if (!arguments.isEmpty())
        return Console::usageError(QStringLiteral("capture takes no arguments"));
    CommandLogging::install(root.log(), false);
    Preferences& preferences = root.preferences();
    const CaptureConfiguration configuration = preferences.captureConfiguration();

    auto source = root.createScreenSource();
    if (!source)
        return Console::failure(source.error());
    DisplayCapture capture(*source.value(), root.codec());
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
        root.log().logError(QStringLiteral("Capture failed: ") + *result.failureText(), EventLog::kEngine);
        status = Console::failure(*result.failureText());
    }
    root.log().flush();
    return status;
}
