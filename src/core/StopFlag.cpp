#include "core/StopFlag.h"

void StopFlag::set()
{
    std::lock_guard lock(m_mutex);
    m_flag = true;
}

bool StopFlag::isSet() const
{
    std::lock_guard lock(m_mutex);
    return m_flag;
}
