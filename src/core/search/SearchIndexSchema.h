#pragma once

// The index's tables. `files` finds a screenshot's row by path and keeps the
// level marker its text was read with; `texts` is the FTS5 table, its rowid
// the IndexKey, the text tokenised by unicode61 with diacritics folded.
// `meta` holds 'folder': the screenshots folder the index was last completely
// built for (absent while it is being built). `words` lists every folded word
// a text brought in, so a beginning can be asked as the words it stands for;
// a word stays listed when its last text goes (it then only matches nothing).
namespace SearchIndexSchema {

// The length of the beginnings FTS5 keeps an index of (`prefix` below).
inline constexpr int kPrefixIndexLength = 3;

inline constexpr char kWriterSettings[] = "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; "
                                          "PRAGMA journal_size_limit = 16777216;";

// A build from nothing writes a file no one reads yet: no journal, no syncs,
// a large page cache, and FTS5 keeping 64 MiB of terms in memory before it
// writes a segment, merging segments only once at the end (not even when
// they pile up: a half-million library writes a few dozen).
inline constexpr char kBuildSettings[] = "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; "
                                         "PRAGMA cache_size = -65536;";
inline constexpr char kBuildTextSettings[] = "INSERT INTO texts (texts, rank) VALUES ('hashsize', 67108864);"
                                             "INSERT INTO texts (texts, rank) VALUES ('automerge', 0);"
                                             "INSERT INTO texts (texts, rank) VALUES ('crisismerge', 200);";
inline constexpr char kBuildFinish[] = "INSERT INTO texts (texts) VALUES ('optimize');"
                                       "INSERT INTO texts (texts, rank) VALUES ('automerge', 4);"
                                       "INSERT INTO texts (texts, rank) VALUES ('hashsize', 1048576);"
                                       "INSERT INTO texts (texts, rank) VALUES ('crisismerge', 16);"
                                       "PRAGMA journal_mode = WAL;";

inline constexpr char kTables[] =
    "CREATE TABLE IF NOT EXISTS meta (name TEXT PRIMARY KEY, value TEXT) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS files (path TEXT PRIMARY KEY, key INTEGER NOT NULL UNIQUE, level TEXT NOT NULL) "
    "WITHOUT ROWID;"
    "CREATE VIRTUAL TABLE IF NOT EXISTS texts USING fts5 (text, path UNINDEXED, display UNINDEXED, "
    "tokenize = 'unicode61 remove_diacritics 2', prefix = '3');"
    "CREATE TABLE IF NOT EXISTS words (word TEXT PRIMARY KEY) WITHOUT ROWID;";

// The words of every text, from FTS5's own vocabulary (which walks every
// word's list of rows: slow for each query, fine once): at the end of a build
// and for an index made before it listed its words.
inline constexpr char kListWords[] =
    "CREATE VIRTUAL TABLE IF NOT EXISTS temp.vocabulary USING fts5vocab(main, texts, 'row');"
    "INSERT OR IGNORE INTO words (word) SELECT term FROM temp.vocabulary;"
    "DROP TABLE temp.vocabulary;";

}  // namespace SearchIndexSchema
