#include "cli/CaptureCommand.h"
#include "cli/CleanupCommand.h"
#include "cli/CommandLine.h"
#include "cli/DefaultsCommand.h"
#include "cli/DeleteAllCommand.h"
#include "cli/DiagnosticsCommand.h"
#include "cli/ExportCommand.h"
#include "cli/OcrCommand.h"
#include "cli/RemoteCommand.h"
#include "cli/RunCommand.h"
#include "cli/SearchCommand.h"
#include "cli/SettingsCommand.h"
#include "cli/TrayCommand.h"

int main(int argc, char** argv)
{
    CommandRegistry commands;
    commands.add(RunCommand::command());
    commands.add(CaptureCommand::command());
    commands.add(RemoteCommand::toggle());
    commands.add(RemoteCommand::start());
    commands.add(RemoteCommand::stop());
    commands.add(CleanupCommand::command());
    commands.add(DeleteAllCommand::command());
    commands.add(ExportCommand::command());
    commands.add(OcrCommand::command());
    commands.add(SearchCommand::command());
    commands.add(DefaultsCommand::command());
    commands.add(DiagnosticsCommand::command());
    commands.add(SettingsCommand::command());
    return CommandLine(std::move(commands), TrayCommand::command()).run(argc, argv);
}
