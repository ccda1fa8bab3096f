#include "core/search/AttributeScanSearch.h"

#include "core/library/LibraryLayout.h"
#include "core/search/FtsQuery.h"
#include "core/textsearch/TextMetadata.h"
#include "core/textsearch/TextSearchScan.h"

#include <QFileInfo>

#include <algorithm>

namespace {

constexpr qsizetype kMaximumSnippetLength = 160;
constexpr qsizetype kContextBefore = 40;  // characters kept before the first match of a long line

bool inRange(const SearchQuery& query, const LibraryLayout::ScreenshotName& name)
{
    if (query.since && name.time < *query.since)
        return false;
    if (query.until && name.time > *query.until)
        return false;
    return !query.displayOrdinal || name.ordinal == *query.displayOrdinal;
}

// The line that holds the most matches, cut around the first of them when
// it is long, every match marked.
QString snippet(const QString& text, const QList<FtsQuery::Span>& spans)
{
    qsizetype bestStart = 0, bestEnd = 0, bestCount = -1;
    for (qsizetype start = 0; start <= text.size();) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        const qsizetype count = std::count_if(spans.begin(), spans.end(), [&](const FtsQuery::Span& span) {
            return span.start >= start && span.end <= end;
        });
        if (count > bestCount) {
            bestStart = start;
            bestEnd = end;
            bestCount = count;
        }
        start = end + 1;
    }
    qsizetype from = bestStart, to = bestEnd;
    if (to - from > kMaximumSnippetLength) {
        for (const FtsQuery::Span& span : spans) {
            if (span.start >= bestStart) {
                from = qMax(bestStart, span.start - kContextBefore);
                break;
            }
        }
        to = qMin(bestEnd, from + kMaximumSnippetLength);
    }
    QString result = from > bestStart ? QString(QChar(0x2026)) : QString();
    qsizetype at = from;
    for (const FtsQuery::Span& span : spans) {
        if (span.start < at || span.end > to)
            continue;
        result += text.mid(at, span.start - at) + SearchHit::kMarkStart + text.mid(span.start, span.end - span.start)
                  + SearchHit::kMarkEnd;
        at = span.end;
    }
    result += text.mid(at, to - at);
    if (to < bestEnd)
        result += QChar(0x2026);
    return result.trimmed();
}

}  // namespace

AttributeScanSearch::AttributeScanSearch(QString folder)
    : m_folder(std::move(folder))
{
}

void AttributeScanSearch::setFolder(const QString& folder)
{
    QMutexLocker lock(&m_mutex);
    m_folder = folder;
}

QString AttributeScanSearch::folder() const
{
    QMutexLocker lock(&m_mutex);
    return m_folder;
}

std::optional<QList<SearchHit>> AttributeScanSearch::search(const SearchQuery& query)
{
    const FtsQuery wanted(query.text);
    QList<SearchHit> hits;
    if (wanted.isEmpty() || query.limit < 1)
        return hits;
    const QList<TextSearchScan::StoredText> files = TextSearchScan::storedTexts(folder());
    for (auto file = files.crbegin(); file != files.crend(); ++file) {  // newest first
        const auto parsed = LibraryLayout::parseScreenshotName(QFileInfo(file->path).completeBaseName());
        if (!parsed || !inRange(query, *parsed))
            continue;
        const std::optional<QString> text = TextMetadata::readText(file->path);
        if (!text)
            continue;
        const std::optional<QList<FtsQuery::Span>> spans = wanted.spansIn(*text);
        if (!spans)
            continue;
        hits.append({file->path, parsed->time, parsed->ordinal, snippet(*text, *spans)});
        if (hits.size() >= query.limit)
            break;
    }
    return hits;
}
