#pragma once

#include "cli/CommandRegistry.h"

// `momentra settings [TAB]`: the settings window alone.
class SettingsCommand
{
public:
    static Command command();

private:
    static int run(AppRoot& root, const QStringList& arguments);
};
