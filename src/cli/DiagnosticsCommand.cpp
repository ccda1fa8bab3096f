#include "cli/DiagnosticsCommand.h"

#include "app/AppRoot.h"
#include "app/DiagnosticsCollector.h"
#include "app/RemoteControl.h"
#include "cli/Console.h"

namespace {

int run(AppRoot& root, const QStringList& arguments)
{
    int days = DiagnosticsReport::kLogDays;
    int lines = DiagnosticsReport::kLogLines;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (option != QLatin1String("--days") && option != QLatin1String("--lines"))
            return Console::usageError(QStringLiteral("unknown argument \"%1\"; usage: momentra diagnostics "
                                                      "[--days N] [--lines N]")
                                           .arg(option));
        bool isNumber = false;
        const int value = i + 1 < arguments.size() ? arguments[++i].toInt(&isNumber) : 0;
        if (!isNumber || value < 1)
            return Console::usageError(option + QStringLiteral(" needs a whole number, 1 or more"));
        (option == QLatin1String("--days") ? days : lines) = value;
    }
    // The running instance knows its engine's state; without one, the report says capture is stopped.
    const auto running = RemoteControl::askRunningForDiagnostics(QDBusConnection::sessionBus(), days, lines);
    Console::out(running ? *running : DiagnosticsCollector::collect(root, nullptr, days, lines));
    return 0;
}

}  // namespace

Command DiagnosticsCommand::command()
{
    return {QStringLiteral("diagnostics"), QStringLiteral("diagnostics [--days N] [--lines N]"),
            QStringLiteral("print the support report: settings, state and the newest log lines"), run};
}
