#pragma once

#include "cli/CommandRegistry.h"

// `momentra update --check`: checks the update feed now and shows the
// answer in its window, as the panel's row does; the answer's sentence is
// printed too. Exits 0 when the check answered, 1 when it could not.
class UpdateCommand
{
public:
    static Command command();
};
