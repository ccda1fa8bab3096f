#include "core/search/SqliteDatabase.h"

#include <sqlite3.h>

#include <QFile>

#include <utility>

SqliteDatabase::Statement::Statement(sqlite3_stmt* statement)
    : m_statement(statement)
{
}

void SqliteDatabase::Statement::Finalize::operator()(sqlite3_stmt* statement) const
{
    sqlite3_finalize(statement);
}

SqliteDatabase::Statement& SqliteDatabase::Statement::bind(int index, qint64 value)
{
    sqlite3_bind_int64(m_statement.get(), index, value);
    return *this;
}

SqliteDatabase::Statement& SqliteDatabase::Statement::bind(int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(m_statement.get(), index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    return *this;
}

int SqliteDatabase::Statement::step()
{
    return sqlite3_step(m_statement.get());
}

int SqliteDatabase::Statement::run()
{
    int code;
    while ((code = step()) == SQLITE_ROW) {
    }
    reset();
    return code;
}

void SqliteDatabase::Statement::reset()
{
    sqlite3_reset(m_statement.get());
    sqlite3_clear_bindings(m_statement.get());
}

qint64 SqliteDatabase::Statement::integer(int column) const
{
    return sqlite3_column_int64(m_statement.get(), column);
}

QString SqliteDatabase::Statement::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_statement.get(), column));
    return QString::fromUtf8(data, sqlite3_column_bytes(m_statement.get(), column));
}

double SqliteDatabase::Statement::real(int column) const
{
    return sqlite3_column_double(m_statement.get(), column);
}

SqliteDatabase::~SqliteDatabase()
{
    close();
}

SqliteDatabase::SqliteDatabase(SqliteDatabase&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr))
    , m_cached(std::move(other.m_cached))
{
}

SqliteDatabase& SqliteDatabase::operator=(SqliteDatabase&& other) noexcept
{
    if (this != &other) {
        close();
        m_db = std::exchange(other.m_db, nullptr);
        m_cached = std::move(other.m_cached);
    }
    return *this;
}

int SqliteDatabase::open(const QString& path, Mode mode)
{
    close();
    const int flags = (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)
                      | SQLITE_OPEN_NOMUTEX;
    const int code = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
    if (code != SQLITE_OK)
        return code;  // m_db stays for lastError(); close() frees it
    sqlite3_extended_result_codes(m_db, 0);
    sqlite3_busy_timeout(m_db, 5000);  // another process's writer holds the lock a moment
    return SQLITE_OK;
}

void SqliteDatabase::close()
{
    m_cached.clear();
    if (m_db)
        sqlite3_close_v2(std::exchange(m_db, nullptr));
}

int SqliteDatabase::exec(const char* sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
}

SqliteDatabase::Statement SqliteDatabase::prepare(const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK)
        return Statement();
    return Statement(statement);
}

SqliteDatabase::Statement& SqliteDatabase::cached(const char* sql)
{
    auto found = m_cached.find(sql);
    if (found == m_cached.end())
        found = m_cached.emplace(sql, prepare(sql)).first;
    else
        found->second.reset();
    return found->second;
}

std::optional<QString> SqliteDatabase::scalar(const char* sql)
{
    Statement statement = prepare(sql);
    if (!statement.isValid() || statement.step() != SQLITE_ROW)
        return std::nullopt;
    return statement.text(0);
}

int SqliteDatabase::lastCode() const
{
    return m_db ? sqlite3_errcode(m_db) : SQLITE_MISUSE;
}

QString SqliteDatabase::lastError() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("not open");
}

bool SqliteDatabase::isCorruption(int code)
{
    return (code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB;
}
