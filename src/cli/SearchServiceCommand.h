#pragma once

#include "cli/CommandRegistry.h"

// `momentra search-service`: what D-Bus starts when the desktop's search
// (GNOME Shell, KRunner) or `momentra search` asks for Momentra's search
// while it is not running. It serves the search provider, the runner and
// the search window under the search's bus name (Momentra's own name starts
// the tray application), lets the tray application take the search name
// over when it starts, and ends after a minute without use and without an
// open window.
class SearchServiceCommand
{
public:
    static constexpr int kIdleMilliseconds = 60 * 1000;

    static Command command();
};
