#pragma once
#include <string>

namespace vek {

class DbConnection;

// Groups the statements of one store operation: either all of them stay or,
// when the operation leaves early (a failed statement, a wrong record
// count), none. Nests inside an open transaction (the upgrade steps run the
// dataset operations inside their own).
class DbSavepoint {
public:
    explicit DbSavepoint(DbConnection& connection, std::string name = "vek_operation");
    // Rolls back unless commit() ran.
    ~DbSavepoint();
    DbSavepoint(const DbSavepoint&) = delete;
    DbSavepoint& operator=(const DbSavepoint&) = delete;

    // Keeps the statements; raises DbError when the store refuses.
    void commit();

private:
    DbConnection& connection_;
    std::string name_;
    bool done_ = false;
};

}  // namespace vek
