#pragma once

#include "core/log/EventLog.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

// The event-log lines written since the watcher was made (flushes first).
class EventLogWatcher
{
public:
    EventLogWatcher()
    {
        EventLog::shared().flush();
        m_start = QFileInfo(EventLog::shared().currentFile()).size();
    }

    QStringList lines() const
    {
        EventLog::shared().flush();
        QFile file(EventLog::shared().currentFile());
        if (!file.open(QIODevice::ReadOnly) || !file.seek(m_start))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    int count(const QString& text) const  // lines containing text
    {
        return int(lines().filter(text).size());
    }

private:
    qint64 m_start = 0;
};
