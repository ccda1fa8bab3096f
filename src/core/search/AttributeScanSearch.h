#pragma once

#include "core/search/ScreenshotSearch.h"

#include <QMutex>
#include <QString>

// Answers queries by reading the text attribute of every screenshot in the
// folder, newest first, until the limit is reached. Slow on a large library
// (every file's attribute is read), but needs nothing beyond the files.
// Words match by the index's rule (see FtsQuery).
class AttributeScanSearch : public ScreenshotSearch
{
public:
    explicit AttributeScanSearch(QString folder = {});

    // The screenshots folder; safe to change while a search runs elsewhere.
    void setFolder(const QString& folder);
    QString folder() const;

    std::optional<QList<SearchHit>> search(const SearchQuery& query) override;

private:
    mutable QMutex m_mutex;
    QString m_folder;
};
