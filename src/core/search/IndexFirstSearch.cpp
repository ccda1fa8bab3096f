#include "core/search/IndexFirstSearch.h"

#include "core/search/AttributeScanSearch.h"
#include "core/search/SearchIndex.h"

IndexFirstSearch::IndexFirstSearch(SearchIndex& index, AttributeScanSearch& scan)
    : m_index(index)
    , m_scan(scan)
{
}

bool IndexFirstSearch::indexAnswers() const
{
    return m_index.indexedFolder() == m_scan.folder();
}

std::optional<QList<SearchHit>> IndexFirstSearch::search(const SearchQuery& query)
{
    if (std::optional<QList<SearchHit>> hits = m_index.search(query, m_scan.folder()))
        return hits;
    return m_scan.search(query);
}
