#pragma once

#include "cli/CommandRegistry.h"

// `momentra diagnostics [--days N] [--lines N]`: the support report the
// About tab copies, on standard output.
class DiagnosticsCommand
{
public:
    static Command command();
};
