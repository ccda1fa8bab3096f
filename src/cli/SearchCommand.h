#pragma once

#include "cli/CommandRegistry.h"

// `momentra search WORDS…`: the screenshots whose text holds every word,
// newest first, each with its time, path and the matching words in context;
// from the search index, or by reading every file while the index is missing.
// Without words it asks the session's Momentra to open the search window.
class SearchCommand
{
public:
    static Command command();
};
