#pragma once

// Why a cleanup sweep runs.
enum class SweepTrigger {
    Configured,  // cleanup was set up or changed, or the application launched
    Timer,       // the deletion timer fired
    Wake,        // the machine woke from sleep
};
