#include "core/cleanup/CleanupSentence.h"

#include <QLocale>
#include <QStringList>

QString CleanupSentence::countText(int count)
{
    if (count == 1)
        return QStringLiteral("1 screenshot");
    return QLocale().toString(count) + QStringLiteral(" screenshots");
}

QString CleanupSentence::couldNotOpenFolder()
{
    return QStringLiteral("Couldn't open the folder.");
}

namespace {

QString amount(qint64 count, const char* unit)
{
    return count == 1 ? QStringLiteral("1 %1").arg(QLatin1String(unit))
                      : QStringLiteral("%1 %2s").arg(count).arg(QLatin1String(unit));
}

}  // namespace

QString CleanupSentence::duration(qint64 seconds)
{
    const qint64 minutes = seconds / 60;
    if (minutes < 1)
        return QStringLiteral("under a minute");
    if (minutes < 60)
        return amount(minutes, "minute");
    if (minutes < 1440) {
        const QString hours = amount(minutes / 60, "hour");
        return minutes % 60 ? hours + QLatin1Char(' ') + amount(minutes % 60, "minute") : hours;
    }
    const QString days = amount(minutes / 1440, "day");
    return (minutes / 60) % 24 ? days + QLatin1Char(' ') + amount((minutes / 60) % 24, "hour") : days;
}

QString CleanupSentence::status(const std::optional<CleanupStatus>& status, bool permanently, const QDateTime& now)
{
    if (!status)
        return QStringLiteral("Checking…");
    if (!status->result)
        return couldNotOpenFolder();
    const qint64 since = status->at.secsTo(now);
    QStringList lines{since < 60 ? QStringLiteral("Checked just now.")
                                 : QStringLiteral("Checked %1 ago.").arg(duration(since))};
    if (status->result->failed > 0) {
        lines << (permanently ? QStringLiteral("Couldn't delete %1.")
                              : QStringLiteral("Couldn't move %1 to the Trash."))
                     .arg(countText(status->result->failed));
    }
    if (const auto& oldest = status->result->oldestRemaining)
        lines << QStringLiteral("Oldest screenshot: %1 old.").arg(duration(oldest->secsTo(now)));
    return lines.join(QLatin1Char('\n'));
}

QString CleanupSentence::outcome(const std::optional<SweepResult>& result, bool permanently, const QString& nothingText)
{
    if (!result)
        return couldNotOpenFolder();
    QStringList sentences;
    if (result->stopped) {
        sentences << (permanently ? QStringLiteral("Stopped after deleting %1.")
                                  : QStringLiteral("Stopped after moving %1 to the Trash."))
                         .arg(countText(result->trashed));
    } else if (result->trashed > 0) {
        sentences << (permanently ? QStringLiteral("Deleted %1.") : QStringLiteral("Moved %1 to the Trash."))
                         .arg(countText(result->trashed));
    }
    if (result->failed > 0) {
        sentences << (permanently ? QStringLiteral("Couldn't delete %1.")
                                  : QStringLiteral("Couldn't move %1 to the Trash."))
                         .arg(countText(result->failed));
    }
    if (sentences.isEmpty())
        return nothingText;
    return sentences.join(QLatin1Char(' '));
}
