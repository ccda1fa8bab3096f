#include "cli/CommandLogging.h"

#include "cli/StderrLogMirror.h"
#include "core/log/EventLog.h"
#include "platform/linux/JournalLogMirror.h"

void CommandLogging::install(EventLog& log, bool echoToStderr)
{
    std::shared_ptr<SystemLogMirror> journal = std::make_shared<JournalLogMirror>();
    if (echoToStderr)
        log.setMirror(std::make_shared<StderrLogMirror>(journal));
    else
        log.setMirror(journal);
}
