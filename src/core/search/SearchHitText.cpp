#include "core/search/SearchHitText.h"

#include "core/search/ScreenshotSearch.h"

#include <QLocale>

QString SearchHitText::captureTime(const QDateTime& capturedAt, const QDateTime& now)
{
    const QLocale locale;
    const QString time = locale.toString(capturedAt.time(), QLocale::ShortFormat);
    const qint64 daysAgo = capturedAt.date().daysTo(now.date());
    if (daysAgo == 0)
        return QStringLiteral("Today, %1").arg(time);
    if (daysAgo == 1)
        return QStringLiteral("Yesterday, %1").arg(time);
    return locale.toString(capturedAt, QLocale::ShortFormat);
}

QString SearchHitText::markedSnippet(const QString& snippet, const QString& open, const QString& close)
{
    QString marked = snippet.simplified();
    marked.replace(SearchHit::kMarkStart, open);
    marked.replace(SearchHit::kMarkEnd, close);
    return marked;
}

QString SearchHitText::plainSnippet(const QString& snippet)
{
    return markedSnippet(snippet, QString(), QString());
}

QString SearchHitText::htmlSnippet(const QString& snippet)
{
    QString html;
    for (QChar c : snippet) {
        if (c == SearchHit::kMarkStart)
            html += QStringLiteral("<b>");
        else if (c == SearchHit::kMarkEnd)
            html += QStringLiteral("</b>");
        else
            html += QString(c).toHtmlEscaped();
    }
    return html;
}
