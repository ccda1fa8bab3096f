#pragma once

#include <QDateTime>
#include <QString>

// A hit's texts as the search window, the desktop's search and the command
// line show them.
class SearchHitText
{
public:
    // "Today, 14:03", "Yesterday, 09:12", else the date and time in the locale's short form.
    static QString captureTime(const QDateTime& capturedAt, const QDateTime& now = QDateTime::currentDateTime());
    // The snippet on one line, each match between open and close.
    static QString markedSnippet(const QString& snippet, const QString& open, const QString& close);
    // The snippet on one line without its marks.
    static QString plainSnippet(const QString& snippet);
    // The snippet as rich text: escaped, the marked words in bold.
    static QString htmlSnippet(const QString& snippet);
};
