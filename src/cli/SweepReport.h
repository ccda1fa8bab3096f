#pragma once

#include "core/cleanup/SweepLog.h"
#include "core/cleanup/SweepResult.h"

#include <QList>
#include <QString>

#include <optional>

class EventLog;

// The end of `momentra cleanup` and `momentra delete-all`: the sweep's log
// lines, the cause of each kind of failure on standard error, then the
// sentence that tells the user what happened.
class SweepReport
{
public:
    // Writes the entries, prints the outcome (`nothing` when nothing was
    // old enough) and returns the exit status: 1 when the folder could not
    // be read or a file could not be removed.
    static int finish(const QList<SweepLog::Entry>& entries, const std::optional<SweepResult>& result, bool permanently,
                      const QString& nothing, EventLog& log);
};
