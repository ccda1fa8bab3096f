#pragma once

#include "core/search/ScreenshotSearch.h"

class AttributeScanSearch;
class SearchIndex;

// Asks the index when it was built for the folder being searched, and reads
// the files' text attributes otherwise (no index yet, a changed folder, an
// index that could not answer), so a search always has an answer.
class IndexFirstSearch : public ScreenshotSearch
{
public:
    IndexFirstSearch(SearchIndex& index, AttributeScanSearch& scan);

    std::optional<QList<SearchHit>> search(const SearchQuery& query) override;
    // Whether the next search is answered by the index.
    bool indexAnswers() const;

private:
    SearchIndex& m_index;
    AttributeScanSearch& m_scan;
};
