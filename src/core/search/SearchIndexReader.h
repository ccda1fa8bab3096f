#pragma once

#include "core/search/ScreenshotSearch.h"

#include <QString>

#include <optional>

// Answers queries from the index file over a read-only connection of its
// own, opened for the query: readers never wait for the writer (WAL) and
// never hold up capture. Any thread.
class SearchIndexReader
{
public:
    struct Answer
    {
        std::optional<QList<SearchHit>> hits;  // nothing: no usable index
        bool isDamaged = false;                // the file is damaged: move it aside
    };

    // With `folder`, only an index built for that folder answers.
    static Answer search(const QString& databasePath, const SearchQuery& query,
                         const std::optional<QString>& folder = std::nullopt);
    // The screenshots folder the index was completely built for.
    static std::optional<QString> indexedFolder(const QString& databasePath);
};
