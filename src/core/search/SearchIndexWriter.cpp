#include "core/search/SearchIndexWriter.h"

#include "core/StopFlag.h"
#include "core/library/LibraryLayout.h"
#include "core/log/EventLog.h"
#include "core/search/FtsQuery.h"
#include "core/search/IndexKey.h"
#include "core/search/SearchIndexSchema.h"
#include "core/textsearch/TextMetadata.h"
#include "core/textsearch/TextSearchScan.h"

#include <sqlite3.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QtConcurrent/QtConcurrentMap>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype kBatch = 2000;
constexpr qsizetype kBuildBatch = 20 * kBatch;
constexpr qint64 kProgressIntervalMs = 10000;
// Past this many, the listed words are forgotten (and looked up in the table
// again): recognised text can bring words without end.
constexpr qsizetype kMostRememberedWords = 262144;

// The folder 0700 and the file 0600 before SQLite opens it (its -wal and
// -shm files take the database's mode).
void prepareFile(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    QDir().mkpath(folder);
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    const int fd = ::open(QFile::encodeName(path).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    }
}

QString grouped(qsizetype count)
{
    return QLocale(QLocale::English).toString(count);
}

// The inode at `path`; 0 when nothing is there.
ino_t inodeAt(const QString& path)
{
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

}  // namespace

SearchIndexWriter::SearchIndexWriter(QString databasePath, EventLog& log)
    : m_path(std::move(databasePath))
    , m_log(log)
{
}

bool SearchIndexWriter::ensureOpen()
{
    if (m_buildingFor || (m_db.isOpen() && inodeAt(m_path) == m_inode))
        return true;
    if (m_db.isOpen()) {
        // Another Momentra process moved a damaged index aside: follow it to the new file.
        m_db.close();
        m_needsRebuild = true;
    }
    prepareFile(m_path);
    m_inode = inodeAt(m_path);
    m_listedWords.clear();
    const int code = m_db.open(m_path, SqliteDatabase::Mode::ReadWrite);
    if (code != SQLITE_OK) {
        check(code, "open");
        m_db.close();
        return false;
    }
    if (createSchema())
        return true;
    if (!SqliteDatabase::isCorruption(m_db.lastCode()))
        return check(m_db.lastCode(), "set up");
    moveAside();
    prepareFile(m_path);
    m_inode = inodeAt(m_path);
    return m_db.open(m_path, SqliteDatabase::Mode::ReadWrite) == SQLITE_OK && createSchema();
}

bool SearchIndexWriter::createSchema()
{
    const bool isUnlisted = m_db.scalar("SELECT name FROM sqlite_master WHERE name = 'texts'")
                            && !m_db.scalar("SELECT name FROM sqlite_master WHERE name = 'words'");
    return m_db.exec(SearchIndexSchema::kWriterSettings) == SQLITE_OK
           && m_db.exec(SearchIndexSchema::kTables) == SQLITE_OK
           && (!isUnlisted || m_db.exec(SearchIndexSchema::kListWords) == SQLITE_OK);
}

void SearchIndexWriter::moveAside()
{
    m_db.close();
    const QString aside = m_path + QStringLiteral(".corrupt-")
                          + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QFile::remove(aside);
    QFile::rename(m_path, aside);
    QFile::remove(m_path + QStringLiteral("-wal"));
    QFile::remove(m_path + QStringLiteral("-shm"));
    m_log.logError(QStringLiteral("The search index was damaged; moved it aside to %1 and building it again")
                       .arg(QDir::toNativeSeparators(aside)),
                   EventLog::kEngine);
    m_needsRebuild = true;
}

bool SearchIndexWriter::check(int code, const char* what)
{
    if (code == SQLITE_OK || code == SQLITE_DONE || code == SQLITE_ROW)
        return true;
    m_listedWords.clear();  // what this transaction listed is undone
    if (SqliteDatabase::isCorruption(code)) {
        moveAside();
        return false;
    }
    if (!m_hasLoggedFailure) {
        m_hasLoggedFailure = true;
        m_log.logError(QStringLiteral("The search index couldn't %1 %2: %3")
                           .arg(QLatin1String(what), QDir::toNativeSeparators(m_path),
                                m_db.isOpen() ? m_db.lastError() : QString::fromUtf8(sqlite3_errstr(code))),
                       EventLog::kEngine);
    }
    return false;
}

void SearchIndexWriter::recover()
{
    if (QFileInfo::exists(m_path))
        moveAside();
}

std::optional<SearchIndexWriter::Row> SearchIndexWriter::readRow(const QString& path, const QString& level,
                                                                 bool withWords)
{
    const std::optional<LibraryLayout::ScreenshotName> name = LibraryLayout::parseScreenshotName(
        QFileInfo(path).completeBaseName());
    if (!name)
        return std::nullopt;
    const std::optional<QString> text = TextMetadata::readText(path);
    if (!text)
        return std::nullopt;
    return Row{path,          *text,
               level,         name->time.toSecsSinceEpoch(),
               name->ordinal, withWords ? FtsQuery::distinctWords(*text) : QStringList()};
}

bool SearchIndexWriter::write(const Row& row, bool mayBeIndexed)
{
    SqliteDatabase::Statement& find = m_db.cached("SELECT key FROM files WHERE path = ?1");
    qint64 key;
    if (mayBeIndexed && find.bind(1, row.path).step() == SQLITE_ROW) {
        key = find.integer(0);
        find.reset();  // an active statement keeps the WAL from starting over
        SqliteDatabase::Statement& drop = m_db.cached("DELETE FROM texts WHERE rowid = ?1");
        if (!check(drop.bind(1, key).run(), "update"))
            return false;
    } else {
        const qint64 first = row.second * IndexKey::kSlots;
        SqliteDatabase::Statement& next = m_db.cached(
            "SELECT coalesce(max(key) + 1, ?1) FROM files WHERE key BETWEEN ?1 AND ?2");
        if (next.bind(1, first).bind(2, first + IndexKey::kSlots - 1).step() != SQLITE_ROW)
            return check(m_db.lastCode(), "update");
        key = next.integer(0);
        next.reset();
    }
    SqliteDatabase::Statement& text = m_db.cached(
        "INSERT INTO texts (rowid, text, path, display) VALUES (?1, ?2, ?3, ?4)");
    SqliteDatabase::Statement& file = m_db.cached(
        "INSERT OR REPLACE INTO files (path, key, level) VALUES (?1, ?2, ?3)");
    return check(text.bind(1, key).bind(2, row.text).bind(3, row.path).bind(4, row.display).run(), "update")
           && check(file.bind(1, row.path).bind(2, key).bind(3, row.level).run(), "update")
           && (m_buildingFor || listWords(row.words));
}

bool SearchIndexWriter::listWords(const QStringList& words)
{
    if (m_listedWords.size() > kMostRememberedWords)
        m_listedWords.clear();
    SqliteDatabase::Statement& add = m_db.cached("INSERT OR IGNORE INTO words (word) VALUES (?1)");
    for (const QString& word : words) {
        if (m_listedWords.contains(word))
            continue;
        if (!check(add.bind(1, word).run(), "update"))
            return false;
        m_listedWords.insert(word);
    }
    return true;
}

bool SearchIndexWriter::removeRow(const QString& path)
{
    SqliteDatabase::Statement& drop = m_db.cached(
        "DELETE FROM texts WHERE rowid = (SELECT key FROM files WHERE path = ?1)");
    SqliteDatabase::Statement& forget = m_db.cached("DELETE FROM files WHERE path = ?1");
    return check(drop.bind(1, path).run(), "update") && check(forget.bind(1, path).run(), "update");
}

bool SearchIndexWriter::isInsideFolder(const QString& path)
{
    const std::optional<QString> folder = m_buildingFor ? m_buildingFor : indexedFolder();
    return !folder || path.startsWith(*folder + QLatin1Char('/'));
}

void SearchIndexWriter::upsert(const QString& path)
{
    ++m_upserts;
    if (!ensureOpen() || !isInsideFolder(path))
        return;
    const std::optional<QString> marker = TextMetadata::readMarker(path);
    const std::optional<Row> row = readRow(path, marker.value_or(QString()), true);
    if (!check(m_db.exec("BEGIN IMMEDIATE"), "update"))
        return;
    const bool written = row ? write(*row, true) : removeRow(path);
    if (!m_db.isOpen())
        return;  // moved aside
    check(m_db.exec(written ? "COMMIT" : "ROLLBACK"), "update");
}

void SearchIndexWriter::dropMissing(const QString& folder)
{
    if (!QFileInfo::exists(m_path) || !ensureOpen())
        return;
    QStringList missing;
    SqliteDatabase::Statement all = m_db.prepare("SELECT path FROM files");
    int code;
    while ((code = all.step()) == SQLITE_ROW) {
        const QString path = all.text(0);
        if (path.startsWith(folder + QLatin1Char('/')) && ::access(QFile::encodeName(path).constData(), F_OK) != 0
            && errno == ENOENT)
            missing.append(path);
    }
    all = {};
    if (!check(code, "read") || missing.isEmpty() || !check(m_db.exec("BEGIN IMMEDIATE"), "update"))
        return;
    for (const QString& path : missing) {
        if (!removeRow(path))
            return;
    }
    check(m_db.exec("COMMIT"), "update");
}

QHash<QString, QString> SearchIndexWriter::indexedLevels()
{
    QHash<QString, QString> levels;
    SqliteDatabase::Statement all = m_db.prepare("SELECT path, level FROM files");
    while (all.isValid() && all.step() == SQLITE_ROW)
        levels.insert(all.text(0), all.text(1));
    return levels;
}

std::optional<QString> SearchIndexWriter::indexedFolder()
{
    return m_db.scalar("SELECT value FROM meta WHERE name = 'folder'");
}

void SearchIndexWriter::rebuild(const QString& folder, const StopFlag& stop, const std::function<void()>& between)
{
    QElapsedTimer clock;
    clock.start();
    const QString building = m_path + QStringLiteral(".new");
    QFile::remove(building);
    prepareFile(building);
    SqliteDatabase fresh;
    if (!check(fresh.open(building, SqliteDatabase::Mode::ReadWrite), "build")
        || !check(fresh.exec(SearchIndexSchema::kBuildSettings), "build")
        || !check(fresh.exec(SearchIndexSchema::kTables), "build")
        || !check(fresh.exec(SearchIndexSchema::kBuildTextSettings), "build")) {
        QFile::remove(building);
        return;
    }
    SqliteDatabase index = std::exchange(m_db, std::move(fresh));
    m_buildingFor = folder;
    m_listedWords.clear();
    QList<std::pair<QString, QString>> files;
    for (const TextSearchScan::StoredText& file : TextSearchScan::storedTexts(folder))
        files.append({file.path, file.marker});
    if (files.size() >= kBatch)
        m_log.log(QStringLiteral("Search index: building it for %1 screenshots").arg(grouped(files.size())),
                  EventLog::kEngine);
    SqliteDatabase::Statement done = m_db.prepare("INSERT OR REPLACE INTO meta (name, value) VALUES ('folder', ?1)");
    const bool built = addAll(files, files.size(), stop, between) && !stop.isSet()
                       && check(done.bind(1, folder).run(), "build")
                       && check(m_db.exec(SearchIndexSchema::kBuildFinish), "build")
                       && check(m_db.exec(SearchIndexSchema::kListWords), "build");
    done = {};
    m_buildingFor.reset();
    m_db = std::move(index);
    m_listedWords.clear();
    if (!built || !replaceWithBuilt(building)) {
        QFile::remove(building);
        return;
    }
    m_log.log(QStringLiteral("Search index: built for %1 screenshots in %2 s")
                  .arg(grouped(files.size()))
                  .arg(double(clock.elapsed()) / 1000, 0, 'f', 1),
              EventLog::kEngine);
}

// The old file's WAL goes with it: SQLite would otherwise replay it into the new one.
bool SearchIndexWriter::replaceWithBuilt(const QString& building)
{
    m_db.close();
    QFile::remove(m_path + QStringLiteral("-wal"));
    QFile::remove(m_path + QStringLiteral("-shm"));
    if (::rename(QFile::encodeName(building).constData(), QFile::encodeName(m_path).constData()) != 0) {
        m_log.logError(QStringLiteral("The search index couldn't replace %1: %2")
                           .arg(QDir::toNativeSeparators(m_path), QString::fromLocal8Bit(std::strerror(errno))),
                       EventLog::kEngine);
        return false;
    }
    return ensureOpen();
}

void SearchIndexWriter::reconcile(const QString& folder, const StopFlag& stop, const std::function<void()>& between)
{
    if (!ensureOpen())
        return;
    if (indexedFolder() != folder) {
        rebuild(folder, stop, between);
        return;
    }
    QElapsedTimer clock;
    clock.start();

    const QList<TextSearchScan::StoredText> stored = TextSearchScan::storedTexts(folder);
    QHash<QString, QString> indexed = indexedLevels();
    QList<std::pair<QString, QString>> toAdd;  // new files first: their rows need no lookup
    QList<std::pair<QString, QString>> readAgain;
    for (const TextSearchScan::StoredText& file : stored) {
        const auto found = indexed.constFind(file.path);
        if (found == indexed.constEnd())
            toAdd.append({file.path, file.marker});
        else if (*found != file.marker)
            readAgain.append({file.path, file.marker});
        if (found != indexed.constEnd())
            indexed.erase(found);
    }
    // What is left in `indexed` has no text file behind it any more.
    if (!indexed.isEmpty()) {
        if (!check(m_db.exec("BEGIN IMMEDIATE"), "update"))
            return;
        for (auto it = indexed.cbegin(); it != indexed.cend(); ++it) {
            if (!removeRow(it.key()))
                return;
        }
        if (!check(m_db.exec("COMMIT"), "update"))
            return;
    }
    const qsizetype newFiles = toAdd.size();
    toAdd += readAgain;
    if (toAdd.size() >= kBatch)
        m_log.log(QStringLiteral("Search index: adding %1 screenshots").arg(grouped(toAdd.size())), EventLog::kEngine);
    if (!addAll(toAdd, newFiles, stop, between) || stop.isSet())
        return;
    SqliteDatabase::Statement done = m_db.prepare("INSERT OR REPLACE INTO meta (name, value) VALUES ('folder', ?1)");
    if (!check(done.bind(1, folder).run(), "update"))
        return;
    if (!toAdd.isEmpty() || !indexed.isEmpty())
        m_log.log(QStringLiteral("Search index: added %1 and removed %2 screenshots in %3 s")
                      .arg(grouped(toAdd.size()), grouped(indexed.size()))
                      .arg(double(clock.elapsed()) / 1000, 0, 'f', 1),
                  EventLog::kEngine);
}

bool SearchIndexWriter::addAll(const QList<std::pair<QString, QString>>& files, qsizetype newFiles,
                               const StopFlag& stop, const std::function<void()>& between)
{
    // The attributes of the next batch are read on the other cores while
    // SQLite writes this one here.
    // A build lists its words from FTS5's at the end, once.
    const bool withWords = !m_buildingFor;
    auto read = [&files, withWords](qsizetype start) {
        return QtConcurrent::mapped(files.mid(start, kBatch), [withWords](const std::pair<QString, QString>& file) {
            return readRow(file.first, file.second, withWords);
        });
    };
    // FTS5 writes a segment at each commit: a build commits seldom.
    const qsizetype rowsPerCommit = m_buildingFor ? kBuildBatch : kBatch;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    const quint64 upsertsBefore = m_upserts;
    QFuture<std::optional<Row>> next = read(0);
    for (qsizetype start = 0; start < files.size() && !stop.isSet(); start += kBatch) {
        const QList<std::optional<Row>> rows = next.results();
        if (start + kBatch < files.size())
            next = read(start + kBatch);
        if (start % rowsPerCommit == 0 && !check(m_db.exec("BEGIN IMMEDIATE"), "update"))
            return false;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            // Rows added between batches may have taken a path of this list.
            if (rows[i] && !write(*rows[i], start + i >= newFiles || m_upserts != upsertsBefore))
                return false;
        }
        const bool isLast = start + kBatch >= files.size() || stop.isSet();
        if (((start + kBatch) % rowsPerCommit == 0 || isLast) && !check(m_db.exec("COMMIT"), "update"))
            return false;
        if (sinceProgress.elapsed() >= kProgressIntervalMs) {
            sinceProgress.restart();
            m_log.log(QStringLiteral("Search index: %1 of %2 screenshots added")
                          .arg(grouped(start + rows.size()), grouped(files.size())),
                      EventLog::kEngine);
        }
        if (between)
            between();
    }
    return true;
}
