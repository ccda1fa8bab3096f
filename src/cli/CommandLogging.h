#pragma once

// Log set-up for commands that capture: event-log lines also go to the
// systemd journal, and, when asked, to standard error.
class EventLog;

class CommandLogging
{
public:
    static void install(EventLog& log, bool echoToStderr);
};
