#pragma once

#include "core/log/SystemLogMirror.h"

// Mirrors event-log lines to the systemd journal (identifier "momentra"),
// or to syslog when no journal is running.
class JournalLogMirror : public SystemLogMirror
{
public:
    JournalLogMirror();
    void write(const QString& message, bool isError) override;

private:
    bool m_hasJournal = false;
};
