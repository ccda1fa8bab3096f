#pragma once

#include <mutex>

// A stop request shared between the main thread and one running background
// pass (a cleanup sweep, a bulk text run, an export). The main thread sets it;
// the worker reads it between items and ends early. A fresh instance is made
// for each new piece of work; setting an old one stops only what holds it.
class StopFlag
{
public:
    void set();
    bool isSet() const;

private:
    mutable std::mutex m_mutex;
    bool m_flag = false;
};
