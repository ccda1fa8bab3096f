#include "core/capture/SweepStop.h"

void SweepStop::set()
{
    std::lock_guard lock(m_mutex);
    m_flag = true;
}

bool SweepStop::isSet() const
{
    std::lock_guard lock(m_mutex);
    return m_flag;
}
