#include "vek/persistence/DbError.h"

#include <sqlite3.h>

#include "vek/foundation/ErrorCodes.h"

namespace vek {

DbError::DbError(const std::string& description, int32_t resultCode, Kind kind)
    : NumberedError(ErrorCodes::DATABASE_ERROR, description), resultCode_(resultCode), kind_(kind) {}

DbError::Kind DbError::classify(int32_t resultCode, const std::string& message) {
    // SQLite reports all three as a plain SQLITE_ERROR; its message is the
    // only thing that tells them apart.
    if ((resultCode & 0xff) != SQLITE_ERROR) return Kind::Other;
    auto startsWith = [&](const char* prefix) { return message.rfind(prefix, 0) == 0; };
    auto endsWith = [&](const char* suffix) {
        const std::string s(suffix);
        return message.size() >= s.size() && message.compare(message.size() - s.size(), s.size(), s) == 0;
    };
    if (startsWith("duplicate column name: ")) return Kind::ColumnExists;
    if (startsWith("no such column: ")) return Kind::NoSuchColumn;
    if (startsWith("table ") && endsWith(" already exists")) return Kind::TableExists;
    return Kind::Other;
}

}  // namespace vek
