#pragma once

#include "cli/CommandRegistry.h"

// `momentra delete-all [--yes]`: every screenshot Momentra saved goes to the
// Trash (or is deleted, as set); asks first on a terminal.
class DeleteAllCommand
{
public:
    static Command command();
};
