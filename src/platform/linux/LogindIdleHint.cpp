#include "platform/linux/LogindIdleHint.h"

#include "platform/linux/LogindClient.h"

#include <time.h>

LogindIdleHint::LogindIdleHint(LogindClient& logind)
    : m_logind(logind)
{
}

std::optional<double> LogindIdleHint::secondsSinceLastInput()
{
    const LogindClient::SessionFacts facts = m_logind.sessionFacts();
    if (!facts.idleHint)
        return std::nullopt;
    if (!*facts.idleHint || facts.idleSinceMonotonicUs == 0)
        return 0.0;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const double nowUs = double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
    return qMax(0.0, (nowUs - double(facts.idleSinceMonotonicUs)) / 1e6);
}
