#pragma once

#include "core/textsearch/TextSearchSettings.h"

#include <QMutex>
#include <QMutexLocker>

// Text search settings shared between the settings view and a running bulk
// read, which copies them before every image so a change applies from the
// next image on.
class LiveTextSearchSettings
{
public:
    explicit LiveTextSearchSettings(TextSearchSettings value = {}) : m_value(std::move(value)) {}

    TextSearchSettings value() const
    {
        QMutexLocker lock(&m_mutex);
        return m_value;
    }
    void update(const TextSearchSettings& value)
    {
        QMutexLocker lock(&m_mutex);
        m_value = value;
    }

private:
    mutable QMutex m_mutex;
    TextSearchSettings m_value;
};
