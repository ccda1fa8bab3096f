#pragma once

#include <QString>
#include <QStringList>

// The event-log lines written since the watcher was made (flushes first).
class EventLogWatcher
{
public:
    EventLogWatcher();
    QStringList lines() const;
    int count(const QString& text) const;  // lines containing text

private:
    qint64 m_start = 0;
};
