#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <memory>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// One SQLite connection, closed with its object. Statements are prepared
// from it and must not outlive it. Errors come back as SQLite's result code
// with the connection's message in lastError().
class SqliteDatabase
{
public:
    enum class Mode { ReadOnly, ReadWrite };

    // One prepared statement: bind, step through its rows, read columns.
    class Statement
    {
    public:
        Statement() = default;
        explicit Statement(sqlite3_stmt* statement);
        bool isValid() const { return bool(m_statement); }

        Statement& bind(int index, qint64 value);
        Statement& bind(int index, const QString& text);
        // SQLITE_ROW while there is a row, SQLITE_DONE at the end, else an error.
        int step();
        // Runs to the end: SQLITE_DONE, or the error; resets for the next use.
        int run();
        void reset();

        qint64 integer(int column) const;
        QString text(int column) const;
        double real(int column) const;

    private:
        struct Finalize
        {
            void operator()(sqlite3_stmt* statement) const;
        };
        std::unique_ptr<sqlite3_stmt, Finalize> m_statement;
    };

    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(SqliteDatabase&& other) noexcept;
    SqliteDatabase& operator=(SqliteDatabase&& other) noexcept;

    // Opens (ReadWrite also creates) the file; the result code of the open.
    int open(const QString& path, Mode mode);
    bool isOpen() const { return m_db != nullptr; }
    void close();

    // Runs statements without results; the first error's code.
    int exec(const char* sql);
    // An invalid statement when the text does not compile (see lastError()).
    Statement prepare(const char* sql);
    // A statement prepared once per connection and reset for this use; the
    // key is the address of `sql`, so give it a string literal. Reset it
    // after reading its rows: an active statement holds a read transaction,
    // and the WAL cannot start over while one is open.
    Statement& cached(const char* sql);
    // Finalizes the cached statements (a table they read cannot be dropped while one is active).
    void dropCached() { m_cached.clear(); }
    // The first column of the first row, or nothing.
    std::optional<QString> scalar(const char* sql);

    int lastCode() const;
    QString lastError() const;
    static bool isCorruption(int code);

private:
    sqlite3* m_db = nullptr;
    std::map<const char*, Statement> m_cached;
};
