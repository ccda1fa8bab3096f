#pragma once

#include <QMutex>
#include <QMutexLocker>

// A stop request for background work (cleanup sweeps, bulk text runs,
// timelapse exports): set on the main thread, read by the worker as it goes.
class SweepStop
{
public:
    void set()
    {
        QMutexLocker lock(&m_mutex);
        m_flag = true;
    }
    bool isSet() const
    {
        QMutexLocker lock(&m_mutex);
        return m_flag;
    }

private:
    mutable QMutex m_mutex;
    bool m_flag = false;
};
