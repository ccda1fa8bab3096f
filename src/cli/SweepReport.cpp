#include "cli/SweepReport.h"

#include "cli/Console.h"
#include "core/cleanup/CleanupSentence.h"
#include "core/log/EventLog.h"

int SweepReport::finish(const QList<SweepLog::Entry>& entries, const std::optional<SweepResult>& result,
                        bool permanently, const QString& nothing, EventLog& log)
{
    SweepLog::write(entries, log);
    log.flush();
    for (const SweepLog::Entry& cause : SweepLog::causeEntries(result, permanently))
        Console::err(cause.text);
    const QString sentence = CleanupSentence::outcome(result, permanently, nothing);
    if (!result || result->failed > 0)
        return Console::failure(sentence);
    Console::out(sentence);
    return 0;
}
