#include "vek/persistence/DbConnection.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "vek/persistence/DbError.h"

namespace vek {

namespace {
bool matchWord(const std::string& s, std::size_t& i, const char* word) {
    std::size_t j = i;
    for (const char* w = word; *w; ++w, ++j)
        if (j >= s.size() || std::toupper(static_cast<unsigned char>(s[j])) != *w) return false;
    i = j;
    return true;
}
void skipSpace(const std::string& s, std::size_t& i) {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
}
}  // namespace

bool DbRow::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

double DbRow::toDouble(int column) const {
    return sqlite3_column_double(stmt_, column);
}

int64_t DbRow::toInt64(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::string DbRow::text(int column) const {
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return t ? std::string(t, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))) : std::string();
}

DbConnection::~DbConnection() {
    close();
}

std::string DbConnection::translate(const std::string& sql) {
    // Statements written for the old store say "DELETE * FROM"; SQLite knows
    // only "DELETE FROM".
    std::size_t i = 0;
    skipSpace(sql, i);
    const std::size_t start = i;
    if (!matchWord(sql, i, "DELETE")) return sql;
    const std::size_t afterDelete = i;
    skipSpace(sql, i);
    if (i == afterDelete || i >= sql.size() || sql[i] != '*') return sql;
    ++i;
    const std::size_t afterStar = i;
    skipSpace(sql, i);
    if (i == afterStar || !matchWord(sql, i, "FROM")) return sql;
    return sql.substr(0, start) + "DELETE FROM" + sql.substr(i);
}

namespace {
int32_t busyTimeoutMs = 5000;
}  // namespace

int32_t DbConnection::busyTimeout() {
    return busyTimeoutMs;
}

void DbConnection::setBusyTimeout(int32_t milliseconds) {
    busyTimeoutMs = std::max(milliseconds, 0);
}

void DbConnection::open(const std::string& path) {
    close();
    // SQLite takes an empty file for an empty database and would write into
    // it, and says no more than "unable to open" about a folder or a missing
    // file.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw DbError(std::strerror(errno), SQLITE_CANTOPEN);
    if (S_ISDIR(st.st_mode)) throw DbError("is a directory", SQLITE_CANTOPEN);
    if (st.st_size == 0) throw DbError("file is not a database", SQLITE_NOTADB);
    sqlite3* db = nullptr;
    // Never CREATE: a missing file is a failure, not a new empty database.
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        throw DbError(message, rc);
    }
    sqlite3_extended_result_codes(db, 1);
    db_ = db;
    path_ = path;
    try {
        // SQLite falls back to reading a file this user may not write; read
        // that way, a file in write-ahead mode leaves -wal and -shm files
        // behind. Refused before the first read, it is not touched at all.
        if (sqlite3_db_readonly(db, "main") == 1)
            throw DbError("attempt to write a readonly database", SQLITE_READONLY);
        sqlite3_busy_timeout(db, busyTimeoutMs);
        // Reading every page proves the header is SQLite's, the file whole
        // (a truncated file reads as malformed) and its trees sound.
        if (const std::string finding = quickCheckFinding(); !finding.empty())
            throw DbError("the integrity check failed: " + finding, SQLITE_CORRUPT);
        // Taking the write lock and giving it back writes nothing, but waits
        // for another process's store now rather than at our first one.
        query("BEGIN IMMEDIATE");
        query("ROLLBACK");
        // Per connection: a file already in write-ahead mode commits without
        // waiting for the disk.
        if (query("PRAGMA journal_mode").field(0).textOr({}) == "wal") query("PRAGMA synchronous=NORMAL");
    } catch (...) {
        close();
        throw;
    }
}

std::string DbConnection::quickCheckFinding() {
    std::string finding;
    forEachRow("PRAGMA quick_check(1)", {}, [&](const DbRow& row) {
        std::string text = row.text(0);
        // A finding comes after a line naming the schema it is in.
        if (text.rfind("*** in database ", 0) == 0) {
            const auto newline = text.find('\n');
            if (newline != std::string::npos) text.erase(0, newline + 1);
        }
        if (finding.empty() && text != "ok") finding = text;
    });
    return finding;
}

void DbConnection::useWriteAheadLog() {
    try {
        if (query("PRAGMA journal_mode=WAL").field(0).textOr({}) == "wal") query("PRAGMA synchronous=NORMAL");
    } catch (const DbError&) {
    }
}

void DbConnection::FinishStatement::operator()(sqlite3_stmt* stmt) const noexcept {
    sqlite3_finalize(stmt);
}

void DbConnection::close() {
    // Statements are finished before the connection closes.
    statements_.clear();
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
    statementCount_ = 0;
    failCountdown_ = 0;
}

void DbConnection::countStatement(const std::string& sql) {
    ++statementCount_;
    if (failCountdown_ <= 0) return;
    std::size_t i = 0;
    skipSpace(sql, i);
    if (matchWord(sql, i, "ROLLBACK")) return;
    if (--failCountdown_ == 0) throw DbError("disk I/O error (injected)", SQLITE_IOERR);
}

void DbConnection::requireOpen() const {
    if (!db_) throw DbError("Operation is not allowed when the object is closed.", SQLITE_MISUSE);
}

void DbConnection::fail(int rc) const {
    const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    throw DbError(message, rc, DbError::classify(rc, message));
}

sqlite3_stmt* DbConnection::prepare(const std::string& sql, Statement& owned) {
    requireOpen();
    // Statements with placeholders are reused: the same few texts run again
    // and again with other values.
    if (auto it = statements_.find(sql); it != statements_.end()) {
        sqlite3_reset(it->second.get());
        sqlite3_clear_bindings(it->second.get());
        return it->second.get();
    }
    const std::string text = translate(sql);
    sqlite3_stmt* prepared = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v3(db_, text.c_str(), static_cast<int>(text.size()), SQLITE_PREPARE_PERSISTENT,
                                      &prepared, &tail);
    Statement stmt(prepared);
    if (rc != SQLITE_OK) fail(rc);
    if (!stmt) throw DbError("The statement is empty.", SQLITE_MISUSE);
    while (tail && (std::isspace(static_cast<unsigned char>(*tail)) || *tail == ';')) ++tail;
    if (tail && *tail) throw DbError("Only one statement may be run at a time.", SQLITE_MISUSE);
    if (statements_.size() < kMaxCachedStatements && sqlite3_bind_parameter_count(prepared) > 0) {
        statements_.emplace(sql, std::move(stmt));
        return prepared;
    }
    owned = std::move(stmt);
    return prepared;
}

void DbConnection::bind(sqlite3_stmt* stmt, const std::vector<DbValue>& params) {
    if (static_cast<int>(params.size()) != sqlite3_bind_parameter_count(stmt))
        throw DbError("The number of values does not match the statement's parameters.", SQLITE_RANGE);
    for (std::size_t i = 0; i < params.size(); ++i) {
        const DbValue& v = params[i];
        const int n = static_cast<int>(i + 1);
        int rc;
        if (v.isNull()) {
            rc = sqlite3_bind_null(stmt, n);
        } else if (v.isInteger()) {
            rc = sqlite3_bind_int64(stmt, n, static_cast<sqlite3_int64>(v.integerValue()));
        } else if (v.isReal()) {
            rc = sqlite3_bind_double(stmt, n, v.toDouble());
        } else {
            const std::string t = v.toText();
            rc = sqlite3_bind_text(stmt, n, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK) fail(rc);
    }
}

void DbConnection::run(const std::string& sql, const std::vector<DbValue>& params,
                       const std::function<void(sqlite3_stmt*)>& body) {
    requireOpen();
    countStatement(sql);
    Statement owned;
    sqlite3_stmt* stmt = prepare(sql, owned);
    // A cached statement is left reset for the next call, whatever the body
    // does; one of this call alone is finished by its owner.
    struct Reset {
        sqlite3_stmt* s;
        ~Reset() {
            if (s) {
                sqlite3_reset(s);
                sqlite3_clear_bindings(s);
            }
        }
    } reset{owned ? nullptr : stmt};
    bind(stmt, params);
    body(stmt);
}

void DbConnection::stepRows(sqlite3_stmt* stmt, const std::function<void()>& onRow) {
    for (;;) {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) fail(rc);
        onRow();
    }
}

Recordset DbConnection::query(const std::string& sql, const std::vector<DbValue>& params) {
    std::vector<std::string> names;
    std::vector<std::vector<DbValue>> rows;
    run(sql, params, [&](sqlite3_stmt* stmt) {
        const int columns = sqlite3_column_count(stmt);
        names.reserve(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c) names.emplace_back(sqlite3_column_name(stmt, c));
        stepRows(stmt, [&] {
            std::vector<DbValue> row;
            row.reserve(static_cast<std::size_t>(columns));
            for (int c = 0; c < columns; ++c) {
                switch (sqlite3_column_type(stmt, c)) {
                    case SQLITE_INTEGER: row.emplace_back(static_cast<int64_t>(sqlite3_column_int64(stmt, c))); break;
                    case SQLITE_FLOAT: row.emplace_back(sqlite3_column_double(stmt, c)); break;
                    case SQLITE_NULL: row.emplace_back(); break;
                    default: {
                        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                        row.emplace_back(
                            std::string(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, c))));
                    }
                }
            }
            rows.push_back(std::move(row));
        });
    });
    return Recordset(std::move(names), std::move(rows));
}

void DbConnection::forEachRow(const std::string& sql, const std::vector<DbValue>& params,
                              const std::function<void(const DbRow&)>& onRow) {
    run(sql, params, [&](sqlite3_stmt* stmt) {
        const DbRow row(stmt);
        stepRows(stmt, [&] { onRow(row); });
    });
}

int32_t DbConnection::execute(const std::string& sql, const std::vector<DbValue>& params) {
    const int before = db_ ? sqlite3_total_changes(db_) : 0;
    query(sql, params);
    // total_changes, unlike changes(), is not left over from an earlier
    // statement when this one (CREATE, ALTER) changes no rows.
    return sqlite3_total_changes(db_) - before;
}

void DbConnection::checkpoint() {
    requireOpen();
    const int rc = sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    if (rc != SQLITE_OK) fail(rc);
}

int64_t DbConnection::lastInsertKey() const {
    requireOpen();
    return sqlite3_last_insert_rowid(db_);
}

bool DbConnection::inTransaction() const {
    return db_ && sqlite3_get_autocommit(db_) == 0;
}

}  // namespace vek
