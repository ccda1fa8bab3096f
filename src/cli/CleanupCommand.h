#pragma once

#include "cli/CommandRegistry.h"

// `momentra cleanup [--dry-run] [--older-than POLICY] [--permanently]`: one
// cleanup sweep now, by the stored policy or the one given.
class CleanupCommand
{
public:
    static Command command();
};
