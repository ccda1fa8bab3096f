#include "cli/CommandLine.h"

#include "app/AppRoot.h"
#include "cli/Console.h"
#include "cli/SettingsProblems.h"

#include <QApplication>
#include <QCoreApplication>

#include <memory>

void CommandLine::printHelp() const
{
    Console::out(QStringLiteral("Momentra keeps a visual record of your day: screenshots on a timer,\n"
                                "one folder per day, searchable by their text.\n\n"
                                "Usage: momentra [COMMAND [ARGUMENTS]]\n\n"
                                "  momentra\n      %1\n\n"
                                "Commands:")
                     .arg(m_default.summary));
    for (const Command& command : m_commands.commands())
        Console::out(QStringLiteral("  %1\n      %2").arg(command.usage, command.summary));
    Console::out(QStringLiteral("\nOptions:\n  --help     show this help\n  --version  show the version"));
}

namespace {

// Windows need a display; without one Qt would abort, so say so first.
bool hasGraphicalSession()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

}  // namespace

int CommandLine::run(int argc, char** argv) const
{
    const QString first = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const Command* command = argc > 1 ? m_commands.find(first) : &m_default;
    const bool windows = command && command->needsWindows;
    if (windows && !hasGraphicalSession())
        return Console::failure(QStringLiteral("No graphical session: DISPLAY is not set. Start Momentra in your "
                                               "desktop session, or use momentra run."));
    std::unique_ptr<QCoreApplication> app;
    if (windows)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Momentra"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("momentra.app"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MOMENTRA_VERSION));

    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (!arguments.isEmpty()
        && (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help"))) {
        printHelp();
        return 0;
    }
    if (first == QLatin1String("--version")) {
        Console::out(QStringLiteral("momentra ") + QStringLiteral(MOMENTRA_VERSION));
        return 0;
    }
    if (!command)
        return Console::usageError(QStringLiteral("unknown command \"%1\"; see momentra --help").arg(first));
    if (!arguments.isEmpty())
        arguments.removeFirst();
    AppRoot root;
    SettingsProblems::tell(root);
    return command->run(root, arguments);
}
