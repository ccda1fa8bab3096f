#pragma once

#include "core/search/ScreenshotSearch.h"

#include <QMutex>
#include <QString>
#include <QStringList>

// Answers queries by reading the text attribute of every screenshot in the
// folder, newest first, until the limit is reached. Slow on a large library
// (every file's attribute is read), but needs nothing beyond the files.
// Words and phrases match without regard to case or accents.
class AttributeScanSearch : public ScreenshotSearch
{
public:
    explicit AttributeScanSearch(QString folder = {});

    // The screenshots folder; safe to change while a search runs elsewhere.
    void setFolder(const QString& folder);
    QString folder() const;

    std::optional<QList<SearchHit>> search(const SearchQuery& query) override;

    // Lower case without accents: "Café" and "CAFE" compare equal.
    static QString folded(const QString& text);
    // The query's terms, folded: each word, and each "quoted phrase" whole.
    static QStringList terms(const QString& queryText);
    // The line of `text` that holds the most terms, with every match marked.
    static QString snippet(const QString& text, const QStringList& terms);

private:
    mutable QMutex m_mutex;
    QString m_folder;
};
