#include "vek/persistence/DbSavepoint.h"

#include "vek/persistence/DbConnection.h"

namespace vek {

DbSavepoint::DbSavepoint(DbConnection& connection, std::string name) : connection_(connection), name_(std::move(name)) {
    connection_.execute("SAVEPOINT " + name_);
}

DbSavepoint::~DbSavepoint() {
    if (done_) return;
    try {
        connection_.execute("ROLLBACK TO " + name_);
        connection_.execute("RELEASE " + name_);
    } catch (...) {
        // The connection is gone or broken; SQLite rolls back what it can.
    }
}

void DbSavepoint::commit() {
    connection_.execute("RELEASE " + name_);
    done_ = true;
}

}  // namespace vek
