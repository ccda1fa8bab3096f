#pragma once

#include "cli/CommandRegistry.h"

// `momentra search WORDS…`: the screenshots whose stored text holds every
// word, newest first, each with its best matching line. Without words it
// asks the session's Momentra to open the search window.
class SearchCommand
{
public:
    static Command command();
};
