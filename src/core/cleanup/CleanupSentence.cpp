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
