#include "core/search/AttributeScanSearch.h"

#include "core/library/LibraryLayout.h"
#include "core/textsearch/TextMetadata.h"
#include "core/textsearch/TextSearchScan.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr int kMaximumSnippetLength = 160;

QStringList newestFirst(QStringList names)
{
    std::sort(names.begin(), names.end(), std::greater<>());
    return names;
}

QStringList dayFolders(const QString& folder)
{
    QStringList days = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    days.erase(
        std::remove_if(days.begin(), days.end(), [](const QString& d) { return !LibraryLayout::isDayFolderName(d); }),
        days.end());
    return newestFirst(days);
}

QStringList screenshotNames(const QString& dayFolder)
{
    QStringList names = TextSearchScan::regularFileNames(dayFolder);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const QString& n) { return !LibraryLayout::isOwnScreenshotName(n); }),
                names.end());
    return newestFirst(names);
}

bool inRange(const SearchQuery& query, const LibraryLayout::ScreenshotName& name)
{
    if (query.since && name.time < *query.since)
        return false;
    if (query.until && name.time > *query.until)
        return false;
    return !query.displayOrdinal || name.ordinal == *query.displayOrdinal;
}

// Folds one character at a time, so that positions in the folded text map
// back to the original (a character may fold to several or to none).
struct FoldedLine
{
    QString text;
    QList<qsizetype> origin;  // for each folded character, its index in the line
};

FoldedLine foldWithOrigins(const QString& line)
{
    FoldedLine result;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QString part = AttributeScanSearch::folded(QString(line.at(i)));
        result.text += part;
        for (qsizetype k = 0; k < part.size(); ++k)
            result.origin.append(i);
    }
    return result;
}

QString marked(const QString& line, const QStringList& terms)
{
    const FoldedLine folded = foldWithOrigins(line);
    QList<bool> inMatch(line.size(), false);
    for (const QString& term : terms) {
        for (qsizetype at = folded.text.indexOf(term); at >= 0 && !term.isEmpty();
             at = folded.text.indexOf(term, at + term.size())) {
            for (qsizetype k = at; k < at + term.size(); ++k)
                inMatch[folded.origin.at(k)] = true;
        }
    }
    QString result;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (inMatch.at(i) && (i == 0 || !inMatch.at(i - 1)))
            result += SearchHit::kMarkStart;
        result += line.at(i);
        if (inMatch.at(i) && (i + 1 == line.size() || !inMatch.at(i + 1)))
            result += SearchHit::kMarkEnd;
    }
    return result;
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

QStringList AttributeScanSearch::terms(const QString& queryText)
{
    QStringList result;
    const QStringList parts = queryText.split(QLatin1Char('"'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString part = folded(parts.at(i)).simplified();
        if (part.isEmpty())
            continue;
        if (i % 2 == 1)
            result.append(part);  // inside quotes
        else
            result.append(part.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    }
    return result;
}

QString AttributeScanSearch::snippet(const QString& text, const QStringList& terms)
{
    QString best;
    qsizetype bestHits = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString candidate = folded(line);
        const qsizetype hits = std::count_if(terms.begin(), terms.end(),
                                             [&](const QString& t) { return candidate.contains(t); });
        if (hits > bestHits) {
            best = line.simplified();
            bestHits = hits;
        }
    }
    if (best.size() > kMaximumSnippetLength)
        best = best.left(kMaximumSnippetLength - 1) + QChar(0x2026);
    return marked(best, terms);
}

std::optional<QList<SearchHit>> AttributeScanSearch::search(const SearchQuery& query)
{
    const QStringList wanted = terms(query.text);
    if (wanted.isEmpty())
        return std::nullopt;
    const QString root = folder();
    QList<SearchHit> hits;
    for (const QString& day : dayFolders(root)) {
        const QString dayPath = root + QLatin1Char('/') + day;
        for (const QString& name : screenshotNames(dayPath)) {
            const auto parsed = LibraryLayout::parseScreenshotName(QFileInfo(name).completeBaseName());
            if (!parsed || !inRange(query, *parsed))
                continue;
            const QString path = dayPath + QLatin1Char('/') + name;
            const std::optional<QString> text = TextMetadata::readText(path);
            if (!text || text->isEmpty())
                continue;
            const QString haystack = folded(*text);
            if (!std::all_of(wanted.begin(), wanted.end(), [&](const QString& t) { return haystack.contains(t); }))
                continue;
            hits.append({path, parsed->time, parsed->ordinal, snippet(*text, wanted)});
            if (hits.size() >= query.limit)
                return hits;
        }
    }
    return hits;
}
