#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "vek/foundation/Collection.h"
#include "vek/foundation/NumberedError.h"
#include "vek/persistence/DbConnection.h"

namespace vek {

namespace ServerConstants {
enum Value : int32_t { DB_VERSION = 12 };
}  // namespace ServerConstants

// The one database file of an install (<install>/data/<name>): opens it,
// tells its schema version and runs the few schema statements that upgrades
// need. Every other persistence class runs its statements on Connection().
class Database {
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // "dbVersion" of Config as a number; a file without it is version 0. A
    // read failure is logged and also gives 0: decisions go by
    // storedVersion(), which tells the two apart.
    int16_t Version();
    // Upgrades the file from one schema version to another after a dated
    // copy (<file>_<year>_<month>_<day>_<hour>_<minute>, local time). Each
    // step runs in a transaction together with the "dbVersion" it reaches:
    // a failed step leaves the file at the version of the last step done,
    // and calling migrate(Version(), DB_VERSION) again finishes the job.
    // The upgrade operations hand over to Migrations (Migrations.h).
    bool migrate(int16_t fromVersion, int16_t toVersion);
    // The single upgrade steps; each returns false at its first failed action.
    bool migrate0to1();
    bool migrate1to2();
    bool migrate2to3();
    bool migrate3to4();
    bool migrate4to5();
    bool migrate5to6();
    bool migrate6to7();
    bool migrate7to8();
    bool migrate8to9();
    bool migrate9to10();
    bool migrate10to11();
    bool migrate11to12();
    // The open connection, reopened first when it is not open.
    std::shared_ptr<DbConnection> Connection();
    void closeConnection();
    // Doubles every single quote of `s` (in place) and returns the result.
    static std::string filterSingleQuote(std::string& s);
    std::string preInitializeConfigGet(const std::string& key);
    void preInitializeConfigSet(const std::string& key, const std::string& value);

    // Library-internal.
    void openDatabase(const std::string& fileName);
    // The start-up check: a file that could not be opened or read, or whose
    // dbVersion is not a version, raises DATABASE_ERROR naming the cause and
    // the file, and so does a newer file; an older one is migrated (raising
    // when that fails). Only a file that passes is switched to write-ahead
    // mode: a refused file stays byte for byte as it was.
    void checkVersion();
    // The schema version as stored: 0 only for a file without a "dbVersion"
    // row (or with an empty one). Raises DATABASE_ERROR when the file is not
    // open or cannot be read (locked, damaged, ...), or when dbVersion is not
    // a whole number from 0 to 32767 ("11.5" is not 12).
    int16_t storedVersion();
    bool addColumn(const std::string& table, const std::string& column, const std::string& columnType,
                   const std::string& defaultValue = {});
    bool dropColumn(const std::string& table, const std::string& column);
    bool updateColumn(const std::string& table, const std::string& column, const std::string& value, bool valueIsText);
    bool addRow(const std::string& table, const Collection<std::string>& columnNames,
                const Collection<std::string>& columnTypes, const Collection<std::string>& values);
    bool deleteRows(const std::string& table, const std::string& column, const std::string& value, bool valueIsText);
    bool createHmiTable();
    bool createSimulationTable();
    // The path repairs and the backup name of Migrations.
    bool addArcPathPoints();
    bool renumberNodes();
    std::string backupName() const;

    bool columnExisted() const { return columnExisted_; }
    void setColumnExisted(bool v) { columnExisted_ = v; }
    const std::string& fileName() const { return fileName_; }
    const std::string& connectionString() const { return connectionString_; }
    // <install>/data/<file name>
    const std::string& fullPath() const { return fullPath_; }

private:
    bool createTable(const std::string& table, const std::string& sql);
    // The value of the first Config row named exactly `key`; none without
    // one. Raises when the file cannot be read.
    std::optional<std::string> configValue(const std::string& key);
    // DATABASE_ERROR "Can't open the database <path>. [<cause>]".
    NumberedError openFailure(const std::string& cause) const;

    std::string fileName_;
    std::string fullPath_;
    std::string connectionString_;
    std::shared_ptr<DbConnection> connection_ = std::make_shared<DbConnection>();
    bool columnExisted_ = false;
    // Why the file could not be opened; empty while it is open.
    std::string openError_;
};

// The database a store object was given; DATABASE_ERROR "The database has
// not been opened." when it was given none.
Database& requireDatabase(const std::shared_ptr<Database>& database);

}  // namespace vek
