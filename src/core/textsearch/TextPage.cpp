#include "core/textsearch/TextPage.h"

QString TextPage::joined(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty())
            continue;
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += trimmed;
    }
    return text;
}
