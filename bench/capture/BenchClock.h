#pragma once

#include <sys/resource.h>

#include <chrono>

// The clocks the capture benchmarks read: CPU time of this process or its
// children (RUSAGE_SELF, RUSAGE_CHILDREN) and the monotonic wall clock, in ms.
inline double processCpuMs(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

inline double nowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
