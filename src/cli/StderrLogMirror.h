#pragma once

#include "core/log/SystemLogMirror.h"

#include <memory>

// Shows event-log lines on standard error as they are logged, and passes
// them on to the system log mirror.
class StderrLogMirror : public SystemLogMirror
{
public:
    explicit StderrLogMirror(std::shared_ptr<SystemLogMirror> next)
        : m_next(std::move(next))
    {
    }
    void write(const QString& message, bool isError) override;

private:
    std::shared_ptr<SystemLogMirror> m_next;
};
