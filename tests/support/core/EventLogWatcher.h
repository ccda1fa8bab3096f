#pragma once

#include "core/log/EventLog.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

// The event-log lines written since the watcher was made (flushes first).
class EventLogWatcher
{
public:
    explicit EventLogWatcher(EventLog& log)
        : m_log(log)
    {
        m_log.flush();
        m_start = QFileInfo(m_log.currentFile()).size();
    }

    QStringList lines() const
    {
        m_log.flush();
        QFile file(m_log.currentFile());
        if (!file.open(QIODevice::ReadOnly) || !file.seek(m_start))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    int count(const QString& text) const  // lines containing text
    {
        return int(lines().filter(text).size());
    }

private:
    EventLog& m_log;
    qint64 m_start = 0;
};
