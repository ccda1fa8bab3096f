#pragma once

#include "core/search/ScreenshotSearch.h"

#include <QMutex>

// A search over a fixed list of hits, newest first as given: a hit answers
// when its snippet holds every word of the query (case ignored). The query
// "?" cannot be answered. Remembers the queries it was asked.
class FakeScreenshotSearch : public ScreenshotSearch
{
public:
    explicit FakeScreenshotSearch(QList<SearchHit> hits = {})
        : m_hits(std::move(hits))
    {
    }

    std::optional<QList<SearchHit>> search(const SearchQuery& query) override
    {
        QMutexLocker lock(&m_mutex);
        m_queries.append(query.text);
        if (query.text == QLatin1String("?"))
            return std::nullopt;
        QList<SearchHit> found;
        const QStringList words = query.text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const SearchHit& hit : m_hits) {
            if (found.size() < query.limit && std::all_of(words.begin(), words.end(), [&](const QString& w) {
                    return hit.snippet.contains(w, Qt::CaseInsensitive);
                }))
                found.append(hit);
        }
        return found;
    }

    QStringList queries() const
    {
        QMutexLocker lock(&m_mutex);
        return m_queries;
    }

private:
    QList<SearchHit> m_hits;
    mutable QMutex m_mutex;
    QStringList m_queries;
};
