#include "core/cleanup/SweepLog.h"

#include "core/log/EventLog.h"

#include <QDir>
#include <QLocale>

namespace {

QString pathText(const QString& folder)
{
    return QDir::cleanPath(folder);
}

QString context(const QString& folder, DeletionPolicy policy)
{
    return QStringLiteral("(") + DeletionPolicies::rawValue(policy) + QStringLiteral(") of ") + pathText(folder);
}

QString verb(bool permanently)
{
    return permanently ? QStringLiteral("deleted") : QStringLiteral("trashed");
}

QString counts(const SweepResult& result, bool permanently)
{
    return verb(permanently) + QLatin1Char(' ') + QString::number(result.trashed) + QStringLiteral(", failed ")
           + QString::number(result.failed);
}

bool removedOrFailed(const SweepResult& result)
{
    return result.trashed > 0 || result.failed > 0;
}

// Counts in log lines are plain integers.
QString counted(int count, const char* one, const char* many)
{
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
}

QString header(SweepTrigger trigger)
{
    return trigger == SweepTrigger::Wake ? QStringLiteral("Sweep after wake") : QStringLiteral("Sweep");
}

}  // namespace

QList<SweepLog::Entry> SweepLog::record(const std::optional<SweepResult>& result, SweepTrigger trigger,
                                        const QString& folder, DeletionPolicy policy, bool permanently,
                                        const QDateTime& now)
{
    QList<Entry> entries;
    if (!result) {
        const bool repeated = trigger != SweepTrigger::Configured && couldNotList;
        if (!repeated)
            entries << Entry::error(header(trigger) + QStringLiteral(" couldn't list ") + pathText(folder));
        couldNotList = true;
        return entries;
    }
    couldNotList = false;
    const QString where = context(folder, policy);

    if (result->stopped) {
        if (removedOrFailed(*result)) {
            entries << Entry::notice(header(trigger) + QLatin1Char(' ') + where
                                     + QStringLiteral(" stopped by a settings change: ") + counts(*result, permanently))
                    << causeEntries(result, permanently);
        }
        return entries;
    }

    switch (trigger) {
    case SweepTrigger::Configured:
        entries << Entry::notice(QStringLiteral("Sweep ") + where + QStringLiteral(": ") + counts(*result, permanently))
                << causeEntries(result, permanently);
        break;
    case SweepTrigger::Wake:
        if (removedOrFailed(*result)) {
            entries << Entry::notice(QStringLiteral("Sweep after wake ") + where + QStringLiteral(": ")
                                     + counts(*result, permanently))
                    << causeEntries(result, permanently);
        }
        break;
    case SweepTrigger::Timer:
        if (result->failed != timerFailures) {
            if (result->failed > 0) {
                entries << Entry::error(QStringLiteral("Sweep ") + where + QStringLiteral(": couldn't ")
                                        + (permanently ? QStringLiteral("delete") : QStringLiteral("move"))
                                        + QLatin1Char(' ') + QString::number(result->failed)
                                        + (permanently ? QString() : QStringLiteral(" to the Trash")))
                        << causeEntries(result, permanently);
            } else {
                entries << Entry::notice(QStringLiteral("Sweep ") + where
                                         + QStringLiteral(": nothing failing anymore"));
            }
            timerFailures = result->failed;
        }
        if (result->trashed > 0) {
            Pending next = pending.value_or(Pending{0, 0, now});
            next.passes += 1;
            next.trashed += result->trashed;
            pending = next;
            if (!lastSummaryAt || lastSummaryAt->secsTo(now) >= kSummaryIntervalSeconds)
                entries << takeSummary(folder, policy, permanently, now);
        }
        break;
    }
    return entries;
}

QList<SweepLog::Entry> SweepLog::takeSummary(const QString& folder, DeletionPolicy policy, bool permanently,
                                             const QDateTime& now)
{
    if (!pending)
        return {};
    const Pending taken = *pending;
    pending.reset();
    lastSummaryAt = now;
    QString text = QStringLiteral("Sweep ") + context(folder, policy) + QStringLiteral(": ") + verb(permanently)
                   + QLatin1Char(' ') + QString::number(taken.trashed);
    if (taken.passes > 1) {
        text += QStringLiteral(" in ") + QString::number(taken.passes) + QStringLiteral(" passes since ")
                + QLocale::c().toString(taken.since.toLocalTime(), QStringLiteral("yyyy-MM-dd HH:mm"));
    }
    return {Entry::notice(text)};
}

SweepLog::Entry SweepLog::deleteAllEntry(const QString& folder, bool permanently,
                                         const std::optional<SweepResult>& result)
{
    const QString start = QStringLiteral("Delete all in ") + pathText(folder) + QStringLiteral(": ");
    if (!result)
        return Entry::error(start + QStringLiteral("couldn't open the folder"));
    QString text = start + verb(permanently) + QLatin1Char(' ') + QString::number(result->trashed);
    if (result->failed > 0)
        text += QStringLiteral(", ") + QString::number(result->failed) + QStringLiteral(" failed");
    if (result->stopped)
        text += QStringLiteral(", stopped");
    return Entry::notice(text);
}

QList<SweepLog::Entry> SweepLog::causeEntries(const std::optional<SweepResult>& result, bool permanently)
{
    QList<Entry> entries;
    if (!result)
        return entries;
    for (auto it = result->removalFailures.constBegin(); it != result->removalFailures.constEnd(); ++it) {
        const QString what = counted(it.value(), "screenshot", "screenshots");
        entries << Entry::error((permanently
                                     ? QStringLiteral("Couldn't delete ") + what
                                     : QStringLiteral("Couldn't move ") + what + QStringLiteral(" to the Trash"))
                                + QStringLiteral(": ") + it.key());
    }
    for (auto it = result->unreadableFolders.constBegin(); it != result->unreadableFolders.constEnd(); ++it) {
        entries << Entry::error(QStringLiteral("Couldn't read ") + counted(it.value(), "day folder", "day folders")
                                + QStringLiteral(": ") + it.key());
    }
    return entries;
}

void SweepLog::write(const QList<Entry>& entries, EventLog& log)
{
    for (const Entry& entry : entries) {
        if (entry.level == Entry::Level::Error)
            log.logError(entry.text, EventLog::kEngine);
        else
            log.log(entry.text, EventLog::kEngine);
    }
}
