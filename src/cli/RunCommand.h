#pragma once

#include "cli/CommandRegistry.h"

// `momentra run`: the capture engine in the foreground, without the tray.
class RunCommand
{
public:
    static Command command();
    static int run(AppRoot& root, const QStringList& arguments);
};
