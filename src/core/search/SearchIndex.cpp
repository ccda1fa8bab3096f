#include "core/search/SearchIndex.h"

#include "core/StopFlag.h"
#include "core/search/SearchIndexReader.h"
#include "core/search/SearchIndexWriter.h"

#include <QStandardPaths>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

SearchIndex::SearchIndex(QString databasePath, EventLog& log)
    : m_path(std::move(databasePath))
    , m_log(log)
    , m_stop(std::make_shared<StopFlag>())
{
}

SearchIndex::~SearchIndex()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_stop->set();
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

QString SearchIndex::standardPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
           + QStringLiteral("/Momentra/search.sqlite");
}

std::optional<QString> SearchIndex::indexedFolder() const
{
    return SearchIndexReader::indexedFolder(m_path);
}

void SearchIndex::textStored(const QString& path)
{
    push({Kind::Upsert, path});
}

void SearchIndex::dropMissing(const QString& folder)
{
    push({Kind::DropMissing, folder});
}

void SearchIndex::reconcile(const QString& folder)
{
    push({Kind::Reconcile, folder});
}

void SearchIndex::push(Change change)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_quit)
            return;
        // A reconcile or recovery already waiting covers another one.
        for (const Change& waiting : m_queue) {
            if (change.kind != Kind::Upsert && waiting.kind == change.kind && waiting.path == change.path)
                return;
        }
        m_queue.push_back(std::move(change));
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }
    m_changed.notify_all();
}

void SearchIndex::waitUntilIdle()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queue.empty() && !m_busy; });
}

void SearchIndex::run()
{
    ::setpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)), 10);  // background work
    m_writer = std::make_unique<SearchIndexWriter>(m_path, m_log);
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_quit || !m_queue.empty(); });
        if (m_queue.empty())
            break;  // quitting with nothing left
        Change change = std::move(m_queue.front());
        m_queue.pop_front();
        if (m_quit && change.kind == Kind::Reconcile)
            continue;  // the next launch reconciles
        m_busy = true;
        lock.unlock();
        apply(change);
        lock.lock();
        m_busy = false;
        m_changed.notify_all();
    }
    m_writer.reset();
}

void SearchIndex::apply(const Change& change)
{
    switch (change.kind) {
    case Kind::Upsert:
        m_writer->upsert(change.path);
        break;
    case Kind::DropMissing:
        m_writer->dropMissing(change.path);
        break;
    case Kind::Reconcile:
        m_lastFolder = change.path;
        m_writer->reconcile(change.path, *m_stop, [this] { applyQueuedUpserts(); });
        ::malloc_trim(0);  // the lists of a large library go back to the system, not into the tray's idle size
        break;
    case Kind::Recover:
        m_writer->recover();
        break;
    }
    if (m_writer->takeNeedsRebuild() && m_lastFolder)
        push({Kind::Reconcile, *m_lastFolder});
}

// New text arriving during a long rebuild is indexed between its batches.
void SearchIndex::applyQueuedUpserts()
{
    std::deque<Change> upserts;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_queue.begin(); it != m_queue.end();) {
            if (it->kind == Kind::Upsert) {
                upserts.push_back(std::move(*it));
                it = m_queue.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const Change& change : upserts)
        m_writer->upsert(change.path);
}

std::optional<QList<SearchHit>> SearchIndex::search(const SearchQuery& query)
{
    return answer(SearchIndexReader::search(m_path, query));
}

std::optional<QList<SearchHit>> SearchIndex::search(const SearchQuery& query, const QString& folder)
{
    return answer(SearchIndexReader::search(m_path, query, folder));
}

std::optional<QList<SearchHit>> SearchIndex::answer(const SearchIndexReader::Answer& answer)
{
    if (answer.isDamaged)
        push({Kind::Recover, QString()});
    return answer.hits;
}
