#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// A question to the screenshots' recognised text: every word must occur,
// the last one as a prefix; text in double quotes matches as a phrase.
struct SearchQuery
{
    QString text;
    std::optional<QDateTime> since;
    std::optional<QDateTime> until;
    std::optional<int> displayOrdinal;
    int limit = 50;
};

// One screenshot that answers a query. The snippet is a short part of its
// text around the match, the matched words between kMarkStart and kMarkEnd.
struct SearchHit
{
    static constexpr QChar kMarkStart = QChar(0x2);
    static constexpr QChar kMarkEnd = QChar(0x3);

    QString path;
    QDateTime capturedAt;
    int displayOrdinal = 0;
    QString snippet;
};

// Finds screenshots by their text, newest first. Safe to call from any
// thread; never blocks capture.
class ScreenshotSearch
{
public:
    virtual ~ScreenshotSearch() = default;

    // Nothing when the question cannot be answered (no index yet, a query
    // the syntax refuses); an empty list when nothing matches.
    virtual std::optional<QList<SearchHit>> search(const SearchQuery& query) = 0;
};
