#include "vek/persistence/Database.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/Log.h"
#include "vek/persistence/DbError.h"
#include "vek/persistence/Migrations.h"

namespace vek {

namespace {
constexpr int16_t kSource = LogSource::DATABASE_SOURCE;

void log(const std::string& message, int16_t level = LogLevel::info) {
    logAt(level, message, kSource);
}

// Table, column and type names come from vek's own code, but they are spliced
// into the statement text, so anything but a plain name is refused.
const std::string& requireName(const std::string& name) {
    bool ok = !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0]));
    for (char c : name) ok = ok && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
    if (!ok) throw DbError("Invalid name in statement: " + name, 0);
    return name;
}

// A value for a statement: quoted with its quotes doubled when it is text;
// otherwise it must be a number (or NULL) and goes in as written.
std::string literal(const std::string& value, bool isText) {
    if (isText) {
        std::string v = value;
        return "'" + Database::filterSingleQuote(v) + "'";
    }
    if (isNumeric(value) || equalsIgnoreCase(trim(value), "NULL")) return trim(value);
    throw DbError("Invalid number in statement: " + value, 0);
}
}  // namespace

Database& requireDatabase(const std::shared_ptr<Database>& database) {
    if (!database) throw NumberedError(ErrorCodes::DATABASE_ERROR, "The database has not been opened.");
    return *database;
}

Database::Database() {
    log("Initializing Database", LogLevel::DEVELOPER);
}

Database::~Database() {
    log("Terminating Database", LogLevel::DEVELOPER);
    closeConnection();
}

void Database::openDatabase(const std::string& fileName) {
    try {
        closeConnection();
        fileName_ = fileName;
        fullPath_ = joinPath(installSubfolder(InstallSubfolder::data), fileName);
        struct stat st {};
        if (::stat(fullPath_.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
            log("The file " + fullPath_ + " is read only. Making it writable...", LogLevel::WARNING);
            ::chmod(fullPath_.c_str(), (st.st_mode & 07777) | S_IWUSR);
        }
        connection_ = std::make_shared<DbConnection>();
        connectionString_ = "DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + fullPath_;
        connection_->open(fullPath_);
        openError_.clear();
        log("Database initialized to m_connectionString = " + connectionString_, LogLevel::DEVELOPER);
    } catch (const NumberedError& e) {
        openError_ = e.description();
        log("Got error while initializng database -->" + e.description(), LogLevel::Error);
    } catch (const std::exception& e) {
        openError_ = e.what();
        log(std::string("Got error while initializng database -->") + e.what(), LogLevel::Error);
    }
}

std::shared_ptr<DbConnection> Database::Connection() {
    try {
        if (connection_->state() != DbConnection::adStateOpen) {
            log("Connection is not open. Trying to open a new connection...", LogLevel::WARNING);
            if (fullPath_.empty()) throw DbError("No database file has been opened.", 0);
            auto fresh = std::make_shared<DbConnection>();
            connection_ = fresh;
            fresh->open(fullPath_);
            openError_.clear();
        }
    } catch (const NumberedError& e) {
        openError_ = e.description();
        log("Got error while getting database connection-->" + e.description(), LogLevel::Error);
    }
    return connection_;
}

void Database::closeConnection() {
    if (connection_) connection_->close();
}

int16_t Database::Version() {
    const std::string v = preInitializeConfigGet("dbVersion");
    return v.empty() ? int16_t{0} : toInt16(toDouble(v));
}

NumberedError Database::openFailure(const std::string& cause) const {
    return NumberedError(ErrorCodes::DATABASE_ERROR, "Can't open the database " + fullPath_ + ". [" + cause + "]");
}

std::optional<std::string> Database::configValue(const std::string& key) {
    Recordset rs = Connection()->query("SELECT configKey, keyName, keyValue FROM Config");
    // The store compares names without regard to case; this lookup must not.
    for (; !rs.eof(); rs.moveNext())
        if (rs.field(1).textOr({}) == key) return rs.field(2).textOr({});
    return std::nullopt;
}

int16_t Database::storedVersion() {
    // Without this, a file locked or damaged at start-up would read as
    // version 0 and be "upgraded" from scratch.
    if (!connection_->isOpen() && !openError_.empty()) throw openFailure(openError_);
    std::optional<std::string> value;
    try {
        value = configValue("dbVersion");
    } catch (const NumberedError& e) {
        // A closed connection that could not be opened again says why.
        throw openFailure(!connection_->isOpen() && !openError_.empty() ? openError_ : e.description());
    }
    const std::string text = value ? trim(*value) : std::string();
    if (text.empty()) return 0;
    const bool digits = text.size() <= 5 && std::all_of(text.begin(), text.end(), [](char c) {
                            return std::isdigit(static_cast<unsigned char>(c)) != 0;
                        });
    if (!digits || std::stoi(text) > INT16_MAX)
        throw NumberedError(ErrorCodes::DATABASE_ERROR, "The dbVersion of the database " + fullPath_ + " is '" +
                                                            text.substr(0, 40) + "', not a schema version.");
    return static_cast<int16_t>(std::stoi(text));
}

void Database::checkVersion() {
    const int16_t version = storedVersion();
    if (version > ServerConstants::DB_VERSION) {
        log("You are trying to run an old application with a new database version_" + toText(version) +
                "\r\nPlease reinstall the latest application and try again. Exiting...",
            LogLevel::WARNING);
        throw NumberedError(ErrorCodes::DATABASE_ERROR, "Incompatible database. [" + fileName_ + "]");
    }
    if (version < ServerConstants::DB_VERSION) {
        log("Database version_" + toText(version) +
                " is incompatible with the current database version. Migrating to new database version_" +
                toText(static_cast<int32_t>(ServerConstants::DB_VERSION)) + " ...",
            LogLevel::WARNING);
        if (migrate(version, ServerConstants::DB_VERSION)) {
            log("Database migration succeeded. Old database has been backed up. Loading the application...",
                LogLevel::Error);
        } else {
            log("Database migration failed. Exiting...", LogLevel::Error);
            throw NumberedError(ErrorCodes::DATABASE_ERROR, "Database migration failed. [" + fileName_ + "]");
        }
    }
    Connection()->useWriteAheadLog();
}

std::string Database::filterSingleQuote(std::string& s) {
    std::string out;
    out.reserve(s.size() + 4);
    for (char c : s) {
        out += c;
        if (c == '\'') out += '\'';
    }
    s = out;
    return out;
}

std::string Database::preInitializeConfigGet(const std::string& key) {
    try {
        return configValue(key).value_or(std::string());
    } catch (const NumberedError& e) {
        log("Can't load the configuration data from the database.-->" + e.description(), LogLevel::Error);
    }
    return {};
}

void Database::preInitializeConfigSet(const std::string& key, const std::string& value) {
    try {
        auto c = Connection();
        if (c->execute("UPDATE Config SET keyValue = ? WHERE keyName = ?", {value, key}) != 1 &&
            c->execute("INSERT INTO Config (keyValue, keyName) VALUES (?,?)", {value, key}) != 1)
            throw NumberedError(ErrorCodes::DATABASE_ERROR, "Config status not stored correctly");
    } catch (const NumberedError& e) {
        log("Can't save the configuration data in the database.-->" + e.description(), LogLevel::Error);
    }
}

bool Database::addColumn(const std::string& table, const std::string& column, const std::string& columnType,
                         const std::string& defaultValue) {
    columnExisted_ = false;
    try {
        std::string sql =
            "ALTER TABLE " + requireName(table) + " ADD COLUMN " + requireName(column) + " " + requireName(columnType);
        if (!defaultValue.empty()) sql += " DEFAULT " + literal(defaultValue, !isNumeric(defaultValue));
        Connection()->execute(sql);
        log("Successfully added the column " + column + " in table " + table);
        return true;
    } catch (const DbError& e) {
        if (e.kind() == DbError::Kind::ColumnExists) {
            columnExisted_ = true;
            log("Column " + column + " is already present in the table " + table);
            return true;
        }
        log("Couldn't add the column " + column + " in table " + table + "-->" + e.description(), LogLevel::Error);
    } catch (const NumberedError& e) {
        log("Couldn't add the column " + column + " in table " + table + "-->" + e.description(), LogLevel::Error);
    }
    return false;
}

bool Database::dropColumn(const std::string& table, const std::string& column) {
    try {
        Connection()->execute("ALTER TABLE " + requireName(table) + " DROP COLUMN " + requireName(column));
        log("Successfully dropped the column " + column + " in table " + table);
        return true;
    } catch (const DbError& e) {
        if (e.kind() == DbError::Kind::NoSuchColumn) {
            log("Column " + column + " is not present in the table " + table);
            return true;
        }
        log("Couldn't drop the column " + column + " in table " + table + "-->" + e.description(), LogLevel::Error);
    } catch (const NumberedError& e) {
        log("Couldn't drop the column " + column + " in table " + table + "-->" + e.description(), LogLevel::Error);
    }
    return false;
}

bool Database::updateColumn(const std::string& table, const std::string& column, const std::string& value,
                            bool valueIsText) {
    try {
        const std::string v = literal(value, valueIsText);
        const int32_t n =
            Connection()->execute("UPDATE " + requireName(table) + " SET " + requireName(column) + " = " + v);
        log(toText(n) + " number of rows in " + table + " table got updated with " + column + " = " + v);
        log("Successfully updated the column " + column + " in table " + table + " with value " + v);
        return true;
    } catch (const NumberedError& e) {
        log("Can't update the column " + column + " in the database.-->" + e.description(), LogLevel::Error);
    }
    return false;
}

bool Database::addRow(const std::string& table, const Collection<std::string>& columnNames,
                      const Collection<std::string>& columnTypes, const Collection<std::string>& values) {
    try {
        std::string names, placeholders;
        std::vector<DbValue> params;
        for (std::size_t i = 1; i <= columnNames.count(); ++i) {
            const std::string& type = columnTypes.item(i);
            const std::string& value = values.item(i);
            if (type == "number") {
                params.emplace_back(toDouble(value));
            } else if (type == "text") {
                params.emplace_back(value);
            } else {
                throw NumberedError(ErrorCodes::DATABASE_ERROR, "Invalid data type in addRow");
            }
            names += (i > 1 ? "," : "") + requireName(columnNames.item(i));
            placeholders += i > 1 ? ",?" : "?";
        }
        if (Connection()->execute("INSERT INTO " + requireName(table) + "(" + names + ") VALUES (" + placeholders + ")",
                                  params) != 1)
            throw NumberedError(ErrorCodes::DATABASE_ERROR, "Couldn't add the row in table " + table);
        log("Successfully added the row in table " + table);
        return true;
    } catch (const NumberedError& e) {
        log("Couldn't add the row in table " + table + "-->" + e.description(), LogLevel::Error);
    }
    return false;
}

bool Database::deleteRows(const std::string& table, const std::string& column, const std::string& value,
                          bool valueIsText) {
    try {
        const std::string v = literal(value, valueIsText);
        const int32_t n =
            Connection()->execute("DELETE FROM " + requireName(table) + " WHERE " + requireName(column) + " = " + v);
        const std::string message =
            toText(n) + " number of rows in " + table + " table got deleted with " + column + " = " + v;
        log(message, LogLevel::DEVELOPER);
        log(message);
        return true;
    } catch (const NumberedError& e) {
        log("Can't delete the rows in the database.-->" + e.description(), LogLevel::Error);
    }
    return false;
}

bool Database::createTable(const std::string& table, const std::string& sql) {
    try {
        Connection()->execute(sql);
        log("Successfully created the " + table + " table.");
        return true;
    } catch (const DbError& e) {
        if (e.kind() == DbError::Kind::TableExists) return true;
        log("Couldn't created the " + table + " table -->" + e.description(), LogLevel::Error);
    } catch (const NumberedError& e) {
        log("Couldn't created the " + table + " table -->" + e.description(), LogLevel::Error);
    }
    return false;
}

bool Database::createHmiTable() {
    return createTable(
        "Hmi", "CREATE TABLE Hmi ( ioNumber NUMBER NOT NULL PRIMARY KEY, numberData NUMBER , binaryData NUMBER )");
}

bool Database::createSimulationTable() {
    std::string sql = "CREATE TABLE Simulation ( motorKey NUMBER NOT NULL PRIMARY KEY";
    for (int i = 1; i <= 12; ++i) sql += ", in" + std::to_string(i) + " TEXT";
    return createTable("Simulation", sql + " )");
}

bool Database::migrate(int16_t fromVersion, int16_t toVersion) {
    return Migrations(*this).migrate(fromVersion, toVersion);
}
bool Database::migrate0to1() {
    return Migrations(*this).migrate0to1();
}
bool Database::migrate1to2() {
    return Migrations(*this).migrate1to2();
}
bool Database::migrate2to3() {
    return Migrations(*this).migrate2to3();
}
bool Database::migrate3to4() {
    return Migrations(*this).migrate3to4();
}
bool Database::migrate4to5() {
    return Migrations(*this).migrate4to5();
}
bool Database::migrate5to6() {
    return Migrations(*this).migrate5to6();
}
bool Database::migrate6to7() {
    return Migrations(*this).migrate6to7();
}
bool Database::migrate7to8() {
    return Migrations(*this).migrate7to8();
}
bool Database::migrate8to9() {
    return Migrations(*this).migrate8to9();
}
bool Database::migrate9to10() {
    return Migrations(*this).migrate9to10();
}
bool Database::migrate10to11() {
    return Migrations(*this).migrate10to11();
}
bool Database::migrate11to12() {
    return Migrations(*this).migrate11to12();
}
bool Database::addArcPathPoints() {
    return Migrations(*this).addArcPathPoints();
}
bool Database::renumberNodes() {
    return Migrations(*this).renumberNodes();
}
std::string Database::backupName() const {
    return Migrations::backupName(fullPath_);
}

}  // namespace vek
