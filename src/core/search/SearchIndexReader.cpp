#include "core/search/SearchIndexReader.h"

#include "core/search/FtsQuery.h"
#include "core/search/IndexKey.h"
#include "core/search/SearchIndexSchema.h"
#include "core/search/SqliteDatabase.h"

#include <sqlite3.h>

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <limits>

namespace {

// Matches walk the rowid (the capture time) downwards, so the newest come
// first without a sort. A few more rows than asked for let screenshots of
// the same second be ranked by BM25 at the cut too.
constexpr int kTieMargin = 8;

constexpr char kQuery[] = "SELECT rowid, path, display, snippet(texts, 0, char(2), char(3), '…', 16) "
                          "FROM texts WHERE texts MATCH ?1 AND rowid BETWEEN ?2 AND ?3 "
                          "ORDER BY rowid DESC LIMIT ?4";
constexpr char kQueryOnDisplay[] = "SELECT rowid, path, display, snippet(texts, 0, char(2), char(3), '…', 16) "
                                   "FROM texts WHERE texts MATCH ?1 AND rowid BETWEEN ?2 AND ?3 "
                                   "AND display = ?5 ORDER BY rowid DESC LIMIT ?4";
// BM25 counts every match of each word in the whole index, so it is asked
// only for hits that share their second with another.
constexpr char kScores[] = "SELECT rowid, bm25(texts) FROM texts WHERE texts MATCH ?1 AND rowid BETWEEN ?2 AND ?3";

// A beginning longer than FTS5's prefix index is asked as the listed words
// it stands for: FTS5 (3.40) gathers the rows of every word with a beginning
// before it returns the first, but walks an OR of words newest first and
// stops at the limit. Beyond this many words, as a beginning after all.
constexpr int kMostCompletions = 64;
// char(1114111) sorts after every character a word can hold.
constexpr char kCompletions[] = "SELECT word FROM words WHERE word >= ?1 AND word < ?1 || char(1114111) LIMIT ?2";

struct RankedHit
{
    SearchHit hit;
    qint64 key = 0;
    double bm25 = 0;  // lower is better
};

// Orders hits of the same second by BM25; false (with the code) on an error.
bool rankTies(SqliteDatabase& db, const QString& match, QList<RankedHit>& ranked, int& code)
{
    qint64 low = std::numeric_limits<qint64>::max(), high = -1;
    for (qsizetype i = 1; i < ranked.size(); ++i) {
        if (IndexKey::second(ranked[i].key) == IndexKey::second(ranked[i - 1].key)) {
            low = qMin(low, ranked[i].key);
            high = qMax(high, ranked[i - 1].key);
        }
    }
    if (high < 0)
        return true;
    QHash<qint64, double> scores;
    SqliteDatabase::Statement statement = db.prepare(kScores);
    statement.bind(1, match).bind(2, low).bind(3, high);
    while ((code = statement.step()) == SQLITE_ROW)
        scores.insert(statement.integer(0), statement.real(1));
    if (code != SQLITE_DONE)
        return false;
    for (RankedHit& hit : ranked)
        hit.bm25 = scores.value(hit.key);
    std::stable_sort(ranked.begin(), ranked.end(), [](const RankedHit& a, const RankedHit& b) {
        const qint64 first = IndexKey::second(a.key), second = IndexKey::second(b.key);
        return first != second ? first > second : a.bm25 < b.bm25;
    });
    return true;
}

// The listed words that begin with `prefix`; nothing when there are too many
// or the index has no list.
std::optional<QStringList> completions(SqliteDatabase& db, const QString& prefix)
{
    SqliteDatabase::Statement statement = db.prepare(kCompletions);
    if (!statement.isValid())
        return std::nullopt;
    statement.bind(1, prefix).bind(2, kMostCompletions + 1);
    QStringList words;
    int code;
    while ((code = statement.step()) == SQLITE_ROW)
        words.append(statement.text(0));
    if (code != SQLITE_DONE || words.size() > kMostCompletions)
        return std::nullopt;
    return words;
}

// The match expression for `text`; empty when nothing can match.
QString matchFor(SqliteDatabase& db, const QString& text)
{
    const FtsQuery query(text);
    const std::optional<QString> prefix = query.prefix();
    if (!prefix || prefix->size() <= SearchIndexSchema::kPrefixIndexLength)
        return query.matchExpression();
    const std::optional<QStringList> words = completions(db, *prefix);
    if (words && words->isEmpty())
        return {};
    return query.matchExpression(words);
}

// The index when it was completely built (for `folder`, when given).
std::optional<SqliteDatabase> openBuilt(const QString& databasePath, SearchIndexReader::Answer& answer,
                                        const std::optional<QString>& folder = std::nullopt)
{
    if (!QFileInfo::exists(databasePath))
        return std::nullopt;
    SqliteDatabase db;
    if (db.open(databasePath, SqliteDatabase::Mode::ReadOnly) != SQLITE_OK)
        return std::nullopt;
    SqliteDatabase::Statement folderRow = db.prepare("SELECT value FROM meta WHERE name = 'folder'");
    if (!folderRow.isValid() || folderRow.step() != SQLITE_ROW) {
        answer.isDamaged = SqliteDatabase::isCorruption(db.lastCode());
        return std::nullopt;
    }
    if (folder && folderRow.text(0) != *folder)
        return std::nullopt;
    return db;
}

}  // namespace

SearchIndexReader::Answer SearchIndexReader::search(const QString& databasePath, const SearchQuery& query,
                                                    const std::optional<QString>& folder)
{
    Answer answer;
    std::optional<SqliteDatabase> db = openBuilt(databasePath, answer, folder);
    if (!db)
        return answer;
    const QString match = matchFor(*db, query.text);
    if (match.isEmpty() || query.limit < 1) {
        answer.hits = QList<SearchHit>();
        return answer;
    }
    SqliteDatabase::Statement statement = db->prepare(query.displayOrdinal ? kQueryOnDisplay : kQuery);
    statement.bind(1, match)
        .bind(2, query.since ? IndexKey::first(*query.since) : 0)
        .bind(3, query.until ? IndexKey::last(*query.until) : std::numeric_limits<qint64>::max())
        .bind(4, qint64(query.limit) + kTieMargin);
    if (query.displayOrdinal)
        statement.bind(5, *query.displayOrdinal);

    QList<RankedHit> ranked;
    int code;
    while ((code = statement.step()) == SQLITE_ROW) {
        const qint64 key = statement.integer(0);
        ranked.append(
            {{statement.text(1), IndexKey::time(key), int(statement.integer(2)), statement.text(3)}, key, 0.0});
    }
    if (code != SQLITE_DONE || !rankTies(*db, match, ranked, code)) {
        answer.isDamaged = SqliteDatabase::isCorruption(code);
        return answer;
    }
    QList<SearchHit> hits;
    for (qsizetype i = 0; i < qMin<qsizetype>(ranked.size(), query.limit); ++i)
        hits.append(ranked[i].hit);
    answer.hits = hits;
    return answer;
}

std::optional<QString> SearchIndexReader::indexedFolder(const QString& databasePath)
{
    Answer ignored;
    std::optional<SqliteDatabase> db = openBuilt(databasePath, ignored);
    if (!db)
        return std::nullopt;
    return db->scalar("SELECT value FROM meta WHERE name = 'folder'");
}
