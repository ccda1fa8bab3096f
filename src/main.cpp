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
#include "cli/SearchServiceCommand.h"
#include "cli/SettingsCommand.h"
#include "cli/TrayCommand.h"
#include "momentra/BuildInfo.h"
#if MOMENTRA_SELF_UPDATE
#include "cli/updates/UpdateCommand.h"
#endif

#include <malloc.h>

int main(int argc, char** argv)
{
    // Screen-sized buffers (captured frames, pages being read) are mapped and
    // unmapped on their own. Left to glibc's sliding threshold they move into
    // the heap once the first one is freed, and the space they free there
    // stays resident between captures.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
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
    commands.add(SearchServiceCommand::command());
    commands.add(DefaultsCommand::command());
    commands.add(DiagnosticsCommand::command());
    commands.add(SettingsCommand::command());
#if MOMENTRA_SELF_UPDATE
    commands.add(UpdateCommand::command());
#endif
    return CommandLine(std::move(commands), TrayCommand::command()).run(argc, argv);
}
