#include "cli/TrayCommand.h"

#include "app/AppDelegate.h"
#include "app/AppRoot.h"
#include "app/TrayApplication.h"
#include "cli/CommandLogging.h"
#include "cli/Console.h"
#include "cli/SignalWatcher.h"
#include "core/log/EventLog.h"

#include <QApplication>

#include <csignal>

Command TrayCommand::command()
{
    return {QString(), QString(),
            QStringLiteral("start Momentra in the tray (without a tray, its panel opens as a window)"),
            &TrayCommand::run, true};
}

int TrayCommand::run(AppRoot& root, const QStringList& arguments)
{
    if (!arguments.isEmpty())
        return Console::usageError(QStringLiteral("the tray application takes no arguments"));
    CommandLogging::install(root.log(), false);
    AppDelegate delegate(root);
    switch (delegate.launch()) {
    case AppDelegate::Launch::HandedOver:
        return 0;
    case AppDelegate::Launch::Failed:
        root.log().logError(delegate.failureMessage(), EventLog::kApp);
        return Console::failure(delegate.failureMessage());
    case AppDelegate::Launch::Running:
        break;
    }
    // SIGTERM (the session, systemd, kill) quits as the panel's Quit does.
    SignalWatcher signals({SIGINT, SIGTERM});
    QObject::connect(&signals, &SignalWatcher::received, &delegate, &AppDelegate::quit);
    TrayApplication tray(delegate, root);
    delegate.finishLaunch();
    return QApplication::exec();
}
