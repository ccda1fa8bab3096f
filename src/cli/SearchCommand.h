#pragma once

#include "cli/CommandRegistry.h"

// `momentra search WORDS…`: the screenshots whose text holds every word,
// newest first, each with its time, path and the matching words in context;
// from the search index, or by reading every file while the index is missing.
class SearchCommand
{
public:
    static Command command();
};
