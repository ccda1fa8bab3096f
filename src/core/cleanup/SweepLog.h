#pragma once

#include "core/cleanup/DeletionPolicy.h"
#include "core/cleanup/SweepResult.h"
#include "core/cleanup/SweepTrigger.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

class EventLog;

// Turns cleanup results into event-log lines without flooding the log:
// timer sweeps are aggregated into at most one summary line an hour, and
// failures of timer sweeps are reported only when their count changes.
// A plain value, used on the main thread only.
struct SweepLog
{
    struct Entry
    {
        enum class Level { Notice, Error };
        Level level = Level::Notice;
        QString text;

        static Entry notice(QString text) { return {Level::Notice, std::move(text)}; }
        static Entry error(QString text) { return {Level::Error, std::move(text)}; }
        bool operator==(const Entry&) const = default;
    };

    // Timer sweeps that removed something and are not summarised yet.
    struct Pending
    {
        int passes = 0;
        int trashed = 0;
        QDateTime since;  // when the first of them ran
        bool operator==(const Pending&) const = default;
    };

    static constexpr qint64 kSummaryIntervalSeconds = 3600;

    bool couldNotList = false;  // the last sweep could not list the folder
    int timerFailures = 0;      // failed count of the last timer sweep
    std::optional<Pending> pending;
    std::optional<QDateTime> lastSummaryAt;

    QList<Entry> record(const std::optional<SweepResult>& result, SweepTrigger trigger, const QString& folder,
                        DeletionPolicy policy, bool permanently, const QDateTime& now);
    QList<Entry> takeSummary(const QString& folder, DeletionPolicy policy, bool permanently, const QDateTime& now);

    // The one line a "Delete all" run leaves in the log.
    static Entry deleteAllEntry(const QString& folder, bool permanently, const std::optional<SweepResult>& result);
    // One error line per distinct cause of the result's failures, for
    // example "Couldn't move 2 screenshots to the Trash: Permission denied".
    static QList<Entry> causeEntries(const std::optional<SweepResult>& result, bool permanently);
    // Writes entries with the "engine" category.
    static void write(const QList<Entry>& entries, EventLog& log);

    bool operator==(const SweepLog&) const = default;
};
