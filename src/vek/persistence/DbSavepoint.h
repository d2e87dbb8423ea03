#pragma once
#include <string>

namespace vek {

class DbConnection;

// Groups the statements of one store operation: either all of them stay or,
// when the operation leaves early (a failed statement, a wrong record
// count), none. Nests inside an open transaction (the upgrade steps run the
// dataset operations inside their own). Outermost, its reads see one state
// of the file, whatever other processes commit meanwhile.
class DbSavepoint {
public:
    // With `writeLock`, an outermost savepoint takes the file's write lock at
    // once (waiting up to the busy time-out): what it reads then stays true
    // until it ends, so it can look before it writes.
    explicit DbSavepoint(DbConnection& connection, std::string name = "vek_operation", bool writeLock = false);
    // Rolls back unless commit() ran.
    ~DbSavepoint();
    DbSavepoint(const DbSavepoint&) = delete;
    DbSavepoint& operator=(const DbSavepoint&) = delete;

    // Keeps the statements; raises DbError when the store refuses.
    void commit();

private:
    DbConnection& connection_;
    std::string name_;
    bool began_ = false;  // opened the transaction with BEGIN IMMEDIATE
    bool done_ = false;
};

}  // namespace vek
