#pragma once

#include "core/search/ScreenshotSearch.h"
#include "core/search/SearchIndexReader.h"
#include "core/textsearch/StoredTextSink.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class EventLog;
class SearchIndexWriter;
class StopFlag;

// The full-text index of the screenshots' recognised text, an SQLite FTS5
// file in the cache folder. It is a cache: the attributes on the files stay
// the truth, and a missing or damaged index is built again from them.
// Changes go into a small queue that one worker thread (with the one writing
// connection) works through; nothing here opens SQLite or starts a thread
// before the first change or query. Queries open read-only connections of
// their own. Any thread.
class SearchIndex : public ScreenshotSearch, public StoredTextSink
{
public:
    SearchIndex(QString databasePath, EventLog& log);
    ~SearchIndex() override;  // finishes the queued changes; a reconcile in progress stops
    SearchIndex(const SearchIndex&) = delete;
    SearchIndex& operator=(const SearchIndex&) = delete;

    static QString standardPath();  // $XDG_CACHE_HOME/Momentra/search.sqlite
    QString databasePath() const { return m_path; }

    // The screenshots folder the index was completely built for; nothing
    // while there is no index or it is being built anew.
    std::optional<QString> indexedFolder() const;

    // A reader stored text on this screenshot: add or replace its row.
    void textStored(const QString& path) override;
    // After cleanup or "delete all": drop the rows of files that are gone.
    void dropMissing(const QString& folder);
    // At launch, after wake and when the screenshots folder changed: add the
    // files of `folder` the index lacks, drop rows of anything else. With no
    // index yet, this builds it.
    void reconcile(const QString& folder);
    // Returns once everything queued before the call is done.
    void waitUntilIdle();

    std::optional<QList<SearchHit>> search(const SearchQuery& query) override;
    // Nothing unless the index was built for `folder`.
    std::optional<QList<SearchHit>> search(const SearchQuery& query, const QString& folder);

private:
    enum class Kind { Upsert, DropMissing, Reconcile, Recover };
    struct Change
    {
        Kind kind;
        QString path;  // the file, or the folder
    };

    void push(Change change);
    std::optional<QList<SearchHit>> answer(const SearchIndexReader::Answer& answer);
    void run();
    void apply(const Change& change);
    void applyQueuedUpserts();

    const QString m_path;
    EventLog& m_log;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Change> m_queue;
    bool m_busy = false;
    bool m_quit = false;
    std::shared_ptr<StopFlag> m_stop;
    std::optional<QString> m_lastFolder;          // the last folder reconciled: a recovered index is built for it
    std::unique_ptr<SearchIndexWriter> m_writer;  // the worker's alone
    std::thread m_thread;
};
