#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "vek/persistence/DbValue.h"
#include "vek/persistence/Recordset.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vek {

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
    // proves that it is a readable, complete, unlocked SQLite database.
    void open(const std::string& path);
    void close();
    int32_t state() const { return db_ ? adStateOpen : adStateClosed; }
    bool isOpen() const { return db_ != nullptr; }
    const std::string& path() const { return path_; }

    // Runs one statement and gives the rows it returns.
    Recordset query(const std::string& sql, const std::vector<DbValue>& params = {});
    // Runs one statement and returns the records it affected.
    int32_t execute(const std::string& sql, const std::vector<DbValue>& params = {});
    // Moves every commit from the write-ahead log into the file itself, so
    // that a byte-for-byte copy of the file (a backup) holds all of them.
    void checkpoint();
    // The key the store gave to the last inserted row.
    int64_t lastInsertKey() const;

    // The statement text SQLite runs for `sql`.
    static std::string translate(const std::string& sql);

private:
    sqlite3_stmt* prepare(const std::string& sql, bool& cached);
    void bind(sqlite3_stmt* stmt, const std::vector<DbValue>& params);
    [[noreturn]] void fail(int rc) const;
    void requireOpen() const;

    static constexpr std::size_t kMaxCachedStatements = 64;

    sqlite3* db_ = nullptr;
    std::string path_;
    std::unordered_map<std::string, sqlite3_stmt*> statements_;
};

}  // namespace vek
