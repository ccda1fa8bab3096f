#include "cli/SettingsCommand.h"

#include "app/AppRoot.h"
#include "app/SettingsLauncher.h"
#include "cli/CommandLogging.h"
#include "cli/Console.h"
#include "ui/settings/SettingsWindow.h"

#include <QApplication>

Command SettingsCommand::command()
{
    return {QStringLiteral("settings"), QStringLiteral("settings [TAB]"),
            QStringLiteral("open the settings window, on the named tab (general, capture, ocr, privacy, storage, …)"),
            &SettingsCommand::run, true};
}

int SettingsCommand::run(AppRoot& root, const QStringList& arguments)
{
    if (arguments.size() > 1)
        return Console::usageError(QStringLiteral("settings takes at most one tab name"));
    CommandLogging::install(root.log(), false);
    SettingsLauncher launcher(root);
    if (!launcher.open(arguments.value(0))) {
        QStringList names;
        for (const SettingsWindow::Tab& tab : SettingsWindow::tabs())
            names << tab.name;
        return Console::usageError(
            QStringLiteral("there is no tab \"%1\"; the tabs are %2").arg(arguments.first(), names.join(", ")));
    }
    QApplication::setQuitOnLastWindowClosed(true);
    return QApplication::exec();
}
