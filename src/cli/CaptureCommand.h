#pragma once

#include "cli/CommandRegistry.h"

// `momentra capture`: one capture now with the stored settings.
class CaptureCommand
{
public:
    static Command command();
    static int run(AppRoot& root, const QStringList& arguments);
};
