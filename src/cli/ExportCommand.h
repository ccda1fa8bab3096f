#pragma once

#include "cli/CommandRegistry.h"

// `momentra export [today|yesterday|DAY…] [--fps N]`: one timelapse video per
// display of the given days (today when none is given), written beside the
// day folders. Shows a progress bar when standard error is a terminal;
// Ctrl-C (or SIGTERM) cancels and removes the unfinished video. Prints the
// videos written, one per line.
class ExportCommand
{
public:
    static Command command();
    static int run(AppRoot& root, const QStringList& arguments);
};
