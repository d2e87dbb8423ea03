#include "vek/persistence/DbSavepoint.h"

#include "vek/persistence/DbConnection.h"

namespace vek {

DbSavepoint::DbSavepoint(DbConnection& connection, std::string name, bool writeLock)
    : connection_(connection), name_(std::move(name)) {
    if (writeLock && !connection_.inTransaction()) {
        connection_.execute("BEGIN IMMEDIATE");
        began_ = true;
    }
    try {
        connection_.execute("SAVEPOINT " + name_);
    } catch (...) {
        if (began_) connection_.execute("ROLLBACK");
        throw;
    }
}

DbSavepoint::~DbSavepoint() {
    if (done_) return;
    // Each on its own: after a failed COMMIT the savepoint is gone but the
    // transaction is not. When the connection is gone or broken, SQLite
    // rolls back what it can.
    try {
        connection_.execute("ROLLBACK TO " + name_);
        connection_.execute("RELEASE " + name_);
    } catch (...) {
    }
    try {
        if (began_) connection_.execute("ROLLBACK");
    } catch (...) {
    }
}

void DbSavepoint::commit() {
    connection_.execute("RELEASE " + name_);
    if (began_) connection_.execute("COMMIT");
    done_ = true;
}

}  // namespace vek
