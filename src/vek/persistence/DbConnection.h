#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "vek/persistence/DbValue.h"
#include "vek/persistence/Recordset.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vek {

// The current row of a streamed SELECT (DbConnection::forEachRow), read by
// 0-based column position. Valid only inside the callback.
class DbRow {
public:
    bool isNull(int column) const;
    double toDouble(int column) const;
    int64_t toInt64(int column) const;
    std::string text(int column) const;

private:
    friend class DbConnection;
    explicit DbRow(sqlite3_stmt* stmt) : stmt_(stmt) {}
    sqlite3_stmt* stmt_;
};

// An open SQLite database file. Statements are run as written, with values
// bound to "?" placeholders; "DELETE * FROM" is read as "DELETE FROM".
// Every failure raises DbError.
class DbConnection {
public:
    enum State : int32_t { adStateClosed = 0, adStateOpen = 1 };

    DbConnection() = default;
    ~DbConnection();
    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    // Opens an existing file for reading and writing (never creates one) and
    // proves that it is a writable, undamaged SQLite database that no other
    // process keeps locked for longer than the busy time-out. Nothing here
    // writes to the file: a file refused now, or later for its content,
    // stays byte for byte as it was. Failures raise DbError with SQLite's
    // own words for the cause ("file is not a database", "database is
    // locked", ...); the caller adds the file name.
    void open(const std::string& path);
    // Switches the file to a write-ahead log, so that each store commits
    // without waiting for the disk twice (the file stays consistent on power
    // loss; the last commits may be lost). This writes the file's header:
    // only for a file whose content has been accepted. A file that cannot
    // switch stays as it is.
    void useWriteAheadLog();
    void close();
    int32_t state() const { return db_ ? adStateOpen : adStateClosed; }
    bool isOpen() const { return db_ != nullptr; }
    const std::string& path() const { return path_; }

    // Runs one statement and gives the rows it returns.
    Recordset query(const std::string& sql, const std::vector<DbValue>& params = {});
    // Runs one SELECT and hands each row to `onRow` as it is read, without
    // keeping the rows: for tables too big to hold twice.
    void forEachRow(const std::string& sql, const std::vector<DbValue>& params,
                    const std::function<void(const DbRow&)>& onRow);
    // Runs one statement and returns the records it affected.
    int32_t execute(const std::string& sql, const std::vector<DbValue>& params = {});
    // Moves every commit from the write-ahead log into the file itself, so
    // that a byte-for-byte copy of the file (a backup) holds all of them.
    void checkpoint();
    // The key the store gave to the last inserted row.
    int64_t lastInsertKey() const;
    // Whether a transaction is open (BEGIN or an outermost SAVEPOINT).
    bool inTransaction() const;

    // Fault injection for tests: the `n`-th statement from now (1 = the next
    // one) fails with a disk I/O error, once; 0 disarms. ROLLBACK is never
    // failed, so that recovery from the fault can be observed.
    void failStatement(int64_t n) { failCountdown_ = n; }
    // Statements run on this connection since it was opened.
    int64_t statementCount() const { return statementCount_; }

    // The statement text SQLite runs for `sql`.
    static std::string translate(const std::string& sql);

    // How long a statement waits for another process's lock before it fails
    // with "database is locked" (5000 ms unless set); for connections
    // opened afterwards.
    static int32_t busyTimeout();
    static void setBusyTimeout(int32_t milliseconds);

private:
    // Owns one prepared statement and finishes it when let go.
    struct FinishStatement {
        void operator()(sqlite3_stmt* stmt) const noexcept;
    };
    using Statement = std::unique_ptr<sqlite3_stmt, FinishStatement>;

    // The statement for `sql`: a cached one (reset and unbound), or a new one
    // that is cached when it has placeholders and room is left, and handed to
    // `owned` otherwise.
    sqlite3_stmt* prepare(const std::string& sql, Statement& owned);
    void bind(sqlite3_stmt* stmt, const std::vector<DbValue>& params);
    // Prepares and binds `sql`, hands the statement to `body`, then resets
    // or finishes it.
    void run(const std::string& sql, const std::vector<DbValue>& params,
             const std::function<void(sqlite3_stmt*)>& body);
    // Steps through every row, calling onRow at each.
    void stepRows(sqlite3_stmt* stmt, const std::function<void()>& onRow);
    [[noreturn]] void fail(int rc) const;
    void requireOpen() const;
    void countStatement(const std::string& sql);
    // The first finding of SQLite's quick check, or empty when it finds none.
    std::string quickCheckFinding();

    static constexpr std::size_t kMaxCachedStatements = 64;

    sqlite3* db_ = nullptr;
    std::string path_;
    std::unordered_map<std::string, Statement> statements_;
    int64_t statementCount_ = 0;
    int64_t failCountdown_ = 0;
};

}  // namespace vek
