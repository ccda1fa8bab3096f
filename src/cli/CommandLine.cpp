#include "cli/CommandLine.h"

#include "app/AppRoot.h"
#include "cli/Console.h"
#include "cli/SettingsProblems.h"

#include <QCoreApplication>

void CommandLine::printHelp() const
{
    Console::out(QStringLiteral("Momentra keeps a visual record of your day: screenshots on a timer,\n"
                                "one folder per day, searchable by their text.\n\n"
                                "Usage: momentra COMMAND [ARGUMENTS]\n\n"
                                "Commands:"));
    for (const Command& command : m_commands.commands())
        Console::out(QStringLiteral("  %1\n      %2").arg(command.usage, command.summary));
    Console::out(QStringLiteral("\nOptions:\n  --help     show this help\n  --version  show the version"));
}

int CommandLine::run(int argc, char** argv) const
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Momentra"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("momentra.app"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MOMENTRA_VERSION));

    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty() || arguments.first() == QLatin1String("--help") || arguments.first() == QLatin1String("-h")
        || arguments.first() == QLatin1String("help")) {
        printHelp();
        return 0;
    }
    if (arguments.first() == QLatin1String("--version")) {
        Console::out(QStringLiteral("momentra ") + QStringLiteral(MOMENTRA_VERSION));
        return 0;
    }
    const QString name = arguments.takeFirst();
    const Command* command = m_commands.find(name);
    if (!command)
        return Console::usageError(QStringLiteral("unknown command \"%1\"; see momentra --help").arg(name));
    AppRoot root;
    SettingsProblems::tell(root);
    return command->run(root, arguments);
}
