#pragma once

#include <functional>

// Restarting Momentra, so that a screen-capture consent given while it ran
// takes effect. The new instance is the running executable with the same
// arguments, started directly (never through a shell), and only once this
// one has shut down: until then the session's D-Bus name is taken, and a
// new instance would hand over to this one and exit.
class ApplicationRestart
{
public:
    // Quits through quit (the application's usual terminate steps); as its
    // QCoreApplication is destroyed, after everything built on it, the new
    // instance starts. Asking twice restarts once.
    static void restart(const std::function<void()>& quit);
};
