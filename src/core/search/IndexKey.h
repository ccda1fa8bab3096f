#pragma once

#include <QDateTime>

// The index's row key: the capture second times 1024 plus a number that
// tells apart screenshots of the same second. Keys then rise with capture
// time, so FTS5 walks matches newest first without sorting them, and a time
// range is a key range.
struct IndexKey
{
    static constexpr int kSlots = 1024;

    static qint64 first(const QDateTime& time) { return time.toSecsSinceEpoch() * kSlots; }
    static qint64 last(const QDateTime& time) { return first(time) + kSlots - 1; }
    static qint64 second(qint64 key) { return key / kSlots; }
    static QDateTime time(qint64 key) { return QDateTime::fromSecsSinceEpoch(second(key)); }
};
