#pragma once

#include <QString>

// Where event-log lines are mirrored for live debugging (the systemd
// journal on Linux). The message arrives unchanged, without timestamp.
class SystemLogMirror
{
public:
    virtual ~SystemLogMirror() = default;
    virtual void write(const QString& message, bool isError) = 0;
};
