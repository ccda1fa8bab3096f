#pragma once

#include "cli/CommandRegistry.h"

// `momentra` without a command: the tray application.
class TrayCommand
{
public:
    static Command command();

private:
    static int run(AppRoot& root, const QStringList& arguments);
};
