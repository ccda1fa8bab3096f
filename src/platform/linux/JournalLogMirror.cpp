#include "platform/linux/JournalLogMirror.h"

#include <QByteArray>

#include <syslog.h>
#include <systemd/sd-journal.h>
#include <unistd.h>

namespace {
bool journalIsRunning()
{
    // The journal's socket exists exactly when journald runs on this machine.
    return ::access("/run/systemd/journal/socket", W_OK) == 0;
}
}  // namespace

JournalLogMirror::JournalLogMirror()
    : m_hasJournal(journalIsRunning())
{
    if (!m_hasJournal)
        ::openlog("momentra", LOG_PID, LOG_USER);
}

void JournalLogMirror::write(const QString& message, bool isError)
{
    const QByteArray text = message.toUtf8();
    const int priority = isError ? LOG_ERR : LOG_INFO;
    if (m_hasJournal) {
        sd_journal_send("MESSAGE=%s", text.constData(), "PRIORITY=%i", priority,
                        "SYSLOG_IDENTIFIER=momentra", "MOMENTRA_CATEGORY=engine", nullptr);
    } else {
        ::syslog(priority, "%s", text.constData());
    }
}
