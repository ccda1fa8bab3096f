#pragma once

#include "core/search/ScreenshotSearch.h"

#include <QString>

// Answers a query without the index: reads the text attribute of every
// screenshot of the folder, newest first, and keeps those holding every word
// (letter case and accents ignored). Slow on a large library; what
// `momentra search` falls back to while the index is missing.
class AttributeScanSearch : public ScreenshotSearch
{
public:
    explicit AttributeScanSearch(QString folder)
        : m_folder(std::move(folder))
    {
    }

    std::optional<QList<SearchHit>> search(const SearchQuery& query) override;

    // Lower case without accents: "Café" and "CAFE" compare equal.
    static QString folded(const QString& text);

private:
    QStringList newestScreenshotsFirst(const SearchQuery& query) const;

    QString m_folder;
};
