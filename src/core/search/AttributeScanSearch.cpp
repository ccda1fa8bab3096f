#include "core/search/AttributeScanSearch.h"

#include "core/library/LibraryLayout.h"
#include "core/textsearch/TextMetadata.h"
#include "core/textsearch/TextSearchScan.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

QStringList wordsOf(const QString& text)
{
    QStringList words;
    for (const QString& word : QString(text).remove(QLatin1Char('"')).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        words.append(AttributeScanSearch::folded(word));
    return words;
}

// The line holding the most of the words (the first such line), the words
// that occur in it as typed marked.
QString markedBestLine(const QString& text, const QStringList& words)
{
    QString best;
    int bestHits = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString candidate = AttributeScanSearch::folded(line);
        const int hits = int(
            std::count_if(words.begin(), words.end(), [&](const QString& w) { return candidate.contains(w); }));
        if (hits > bestHits) {
            best = line.trimmed();
            bestHits = hits;
        }
    }
    for (const QString& word : words) {
        for (qsizetype at = best.indexOf(word, 0, Qt::CaseInsensitive); at >= 0;
             at = best.indexOf(word, at + word.size() + 2, Qt::CaseInsensitive)) {
            best.insert(at + word.size(), SearchHit::kMarkEnd);
            best.insert(at, SearchHit::kMarkStart);
        }
    }
    return best;
}

}  // namespace

QString AttributeScanSearch::folded(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString result;
    result.reserve(decomposed.size());
    for (QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            result.append(c);
    }
    return result.toCaseFolded();
}

QStringList AttributeScanSearch::newestScreenshotsFirst(const SearchQuery& query) const
{
    QStringList days = QDir(m_folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    days.removeIf([&](const QString& day) {
        const std::optional<QDateTime> start = LibraryLayout::dayDate(day);
        return !start || (query.since && start->addDays(1) <= *query.since) || (query.until && *start > *query.until);
    });
    std::sort(days.begin(), days.end(), std::greater<>());
    QStringList paths;
    for (const QString& day : days) {
        QStringList names = TextSearchScan::regularFileNames(m_folder + QLatin1Char('/') + day);
        names.removeIf([](const QString& name) { return !LibraryLayout::isOwnScreenshotName(name); });
        std::sort(names.begin(), names.end(), std::greater<>());
        for (const QString& name : names)
            paths.append(m_folder + QLatin1Char('/') + day + QLatin1Char('/') + name);
    }
    return paths;
}

std::optional<QList<SearchHit>> AttributeScanSearch::search(const SearchQuery& query)
{
    const QStringList words = wordsOf(query.text);
    QList<SearchHit> hits;
    if (words.isEmpty())
        return hits;
    for (const QString& path : newestScreenshotsFirst(query)) {
        if (hits.size() >= query.limit)
            break;
        const auto name = LibraryLayout::parseScreenshotName(QFileInfo(path).completeBaseName());
        if (!name || (query.since && name->time < *query.since) || (query.until && name->time > *query.until)
            || (query.displayOrdinal && name->ordinal != *query.displayOrdinal))
            continue;
        const std::optional<QString> text = TextMetadata::readText(path);
        if (!text || text->isEmpty())
            continue;
        const QString haystack = folded(*text);
        if (std::all_of(words.begin(), words.end(), [&](const QString& w) { return haystack.contains(w); }))
            hits.append({path, name->time, name->ordinal, markedBestLine(*text, words)});
    }
    return hits;
}
