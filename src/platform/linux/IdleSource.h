#pragma once

#include <optional>

// Where the idle gate learns how long keyboard and pointer have been left
// alone. Some desktops measure the time; others only say "no input for N
// milliseconds" and "input again", and need N (the idle threshold) first.
class IdleSource
{
public:
    virtual ~IdleSource() = default;

    // The pause-when-idle threshold. A source told only "idle after N ms"
    // re-arms with it; a source that measures the time ignores it.
    virtual void setThreshold(double seconds) { (void)seconds; }
    // Seconds since the last input; nothing when the source cannot say.
    virtual std::optional<double> secondsSinceLastInput() = 0;
};
