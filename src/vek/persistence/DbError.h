#pragma once
#include <cstdint>
#include <string>

#include "vek/foundation/NumberedError.h"

namespace vek {

// A failure of the database file or of a statement. The number is
// DATABASE_ERROR; the description is SQLite's own message. `kind` names the
// few failures that callers recognise and treat as success.
class DbError : public NumberedError {
public:
    enum class Kind { Other, ColumnExists, NoSuchColumn, TableExists };

    DbError(const std::string& description, int32_t resultCode, Kind kind = Kind::Other);

    // SQLite's extended result code (SQLITE_BUSY, SQLITE_NOTADB, ...); 0 when
    // the failure was found by vek itself.
    int32_t resultCode() const { return resultCode_; }
    Kind kind() const { return kind_; }

    // The kind of an SQLite failure, told from its result code and message.
    static Kind classify(int32_t resultCode, const std::string& message);

private:
    int32_t resultCode_;
    Kind kind_;
};

}  // namespace vek
