#include "cli/CommandLogging.h"

#include "cli/StderrLogMirror.h"
#include "core/log/EventLog.h"
#include "platform/linux/JournalLogMirror.h"

void CommandLogging::install(bool echoToStderr)
{
    std::shared_ptr<SystemLogMirror> journal = std::make_shared<JournalLogMirror>();
    if (echoToStderr)
        EventLog::shared().setMirror(std::make_shared<StderrLogMirror>(journal));
    else
        EventLog::shared().setMirror(journal);
}
