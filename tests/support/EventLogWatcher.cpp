#include "support/EventLogWatcher.h"

#include "core/settings/EventLog.h"

#include <QFile>
#include <QFileInfo>

EventLogWatcher::EventLogWatcher()
{
    EventLog::shared().flush();
    m_start = QFileInfo(EventLog::shared().currentFile()).size();
}

QStringList EventLogWatcher::lines() const
{
    EventLog::shared().flush();
    QFile file(EventLog::shared().currentFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    file.seek(m_start);
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

int EventLogWatcher::count(const QString& text) const
{
    int n = 0;
    for (const QString& line : lines())
        n += line.contains(text) ? 1 : 0;
    return n;
}
