#pragma once

#include "core/search/SqliteDatabase.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include <sys/types.h>
#include <utility>

class EventLog;
class StopFlag;

// The index's one writing connection and everything it does, on the index's
// worker thread only. The database is opened (and made, 0600 in a 0700
// folder) on the first operation; a file that turns out damaged is moved
// aside as "<name>.corrupt-<time>" and an empty index takes its place, which
// needsRebuild() then reports once.
class SearchIndexWriter
{
public:
    SearchIndexWriter(QString databasePath, EventLog& log);

    // Adds or replaces the row of one screenshot from its attributes; a file
    // without text (or gone) loses its row. Other files are not indexed.
    void upsert(const QString& path);
    // Drops the rows of files under `folder` that no longer exist.
    void dropMissing(const QString& folder);
    // Brings the index in line with the screenshots of `folder`: adds the
    // files it has not seen or whose text was read again, drops every other
    // row. `between` runs between batches (waiting work); `stop` ends it
    // early. Complete, it records `folder` as the indexed one.
    void reconcile(const QString& folder, const StopFlag& stop, const std::function<void()>& between);
    // After a reader found the file damaged.
    void recover();

    bool takeNeedsRebuild() { return std::exchange(m_needsRebuild, false); }

private:
    struct Row
    {
        QString path;
        QString text;
        QString level;
        qint64 second = 0;
        int display = 1;
        QStringList words;  // distinct, folded
    };

    bool ensureOpen();
    bool createSchema();
    void moveAside();
    // False on failure; a damaged file is moved aside and started afresh.
    bool check(int code, const char* what);
    // With `withWords`, the row lists the text's words.
    static std::optional<Row> readRow(const QString& path, const QString& level, bool withWords);
    // `mayBeIndexed` false: the path is known to have no row yet.
    bool write(const Row& row, bool mayBeIndexed);
    bool listWords(const QStringList& words);
    bool removeRow(const QString& path);
    QHash<QString, QString> indexedLevels();
    std::optional<QString> indexedFolder();
    // Builds the index for `folder` from nothing into a file of its own,
    // which then replaces the index file whole: readers see the old index
    // (or none) until it is complete.
    void rebuild(const QString& folder, const StopFlag& stop, const std::function<void()>& between);
    bool replaceWithBuilt(const QString& building);
    // The first `newFiles` of `files` had no row when the reconcile began.
    bool addAll(const QList<std::pair<QString, QString>>& files, qsizetype newFiles, const StopFlag& stop,
                const std::function<void()>& between);
    bool isInsideFolder(const QString& path);

    QString m_path;
    EventLog& m_log;
    SqliteDatabase m_db;
    bool m_needsRebuild = false;
    ino_t m_inode = 0;                     // of the file m_db has open
    std::optional<QString> m_buildingFor;  // while rebuild() writes its own file: the folder
    bool m_hasLoggedFailure = false;
    quint64 m_upserts = 0;
    QSet<QString> m_listedWords;  // known to be in m_db's `words`
};
