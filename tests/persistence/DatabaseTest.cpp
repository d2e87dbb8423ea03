#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

#include "PersistenceTest.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"
#include "vek/persistence/Database.h"
#include "vek/persistence/DbError.h"

namespace vek::test {
namespace {

namespace fs = std::filesystem;
using DatabaseTest = PersistenceTest;

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

TEST_F(DatabaseTest, OpensTheInstallDatabaseAndReadsItsVersion) {
    EXPECT_EQ(db().fileName(), "vek.db");
    EXPECT_EQ(db().connectionString(), "DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + dbPath());
    EXPECT_EQ(db().Connection()->state(), DbConnection::adStateOpen);
    EXPECT_EQ(db().Version(), ServerConstants::DB_VERSION);
    EXPECT_NO_THROW(db().checkVersion());
}

// (What each refused file raises: DatabaseFileTest.RefusedFilesSayWhyAndStayAsTheyWere.)
TEST_F(DatabaseTest, StartUpCheckRefusesNewerFilesAndUpgradesOlderOnes) {
    db().preInitializeConfigSet("dbVersion", "13");
    EXPECT_THROW(db().checkVersion(), NumberedError);
    EXPECT_TRUE(
        loggedAt("You are trying to run an old application with a new database version_13\r\n"
                 "Please reinstall the latest application and try again. Exiting...",
                 2));
    raw("DELETE FROM Config WHERE keyName = 'dbVersion'");
    EXPECT_EQ(db().Version(), 0);
    db().preInitializeConfigSet("dbVersion", "11");
    EXPECT_NO_THROW(db().checkVersion());
    EXPECT_TRUE(
        loggedAt("Database version_11 is incompatible with the current database version. "
                 "Migrating to new database version_12 ...",
                 2));
    EXPECT_TRUE(
        loggedAt("Database migration succeeded. Old database has been backed up. Loading the application...", 3));
    EXPECT_EQ(db().Version(), 12);
}

TEST_F(DatabaseTest, FilterSingleQuoteDoublesEveryQuoteInPlace) {
    std::string one = "O'Brien", two = "''", none = "plain";
    EXPECT_EQ(Database::filterSingleQuote(one), "O''Brien");
    EXPECT_EQ(one, "O''Brien");
    EXPECT_EQ(Database::filterSingleQuote(two), "''''");
    EXPECT_EQ(Database::filterSingleQuote(none), "plain");
}

TEST_F(DatabaseTest, PreInitializeConfigIsExactOnReadAndUpsertsOnWrite) {
    EXPECT_EQ(db().preInitializeConfigGet("unit"), "2");
    EXPECT_EQ(db().preInitializeConfigGet("Unit"), "");
    EXPECT_EQ(db().preInitializeConfigGet("never"), "");

    db().preInitializeConfigSet("host.key", "a'b");
    EXPECT_EQ(raw("SELECT count(*) FROM Config WHERE keyName = 'host.key'"), "1");
    EXPECT_EQ(db().preInitializeConfigGet("host.key"), "a'b");
    db().preInitializeConfigSet("host.key", "x'); DROP TABLE Config; --");
    EXPECT_EQ(raw("SELECT count(*) FROM Config WHERE keyName = 'host.key'"), "1");
    EXPECT_EQ(db().preInitializeConfigGet("host.key"), "x'); DROP TABLE Config; --");
    // The names compare like the store always has: without regard to case.
    db().preInitializeConfigSet("PORT", "COM4");
    EXPECT_EQ(raw("SELECT keyValue FROM Config WHERE keyName = 'port'"), "COM4");
    EXPECT_FALSE(loggedStartingWith("Can't"));
}

TEST_F(DatabaseTest, AddColumnReportsAnExistingColumnAsSuccess) {
    EXPECT_TRUE(db().addColumn("NODE", "p9", "Number"));
    EXPECT_FALSE(db().columnExisted());
    EXPECT_TRUE(logged("Successfully added the column p9 in table NODE"));
    EXPECT_TRUE(db().addColumn("NODE", "p9", "Number"));
    EXPECT_TRUE(db().columnExisted());
    EXPECT_TRUE(logged("Column p9 is already present in the table NODE"));
    EXPECT_TRUE(db().addColumn("Motor", "note", "Text", "none"));
    EXPECT_FALSE(db().columnExisted());
    EXPECT_EQ(raw("SELECT note FROM Motor WHERE motorKey = 1"), "none");

    EXPECT_FALSE(db().addColumn("NoSuchTable", "c", "Number"));
    EXPECT_TRUE(loggedAt("Couldn't add the column c in table NoSuchTable-->no such table: NoSuchTable", 3));
    EXPECT_FALSE(db().addColumn("Node", "x; DROP TABLE Node", "Number"));
    EXPECT_EQ(raw("SELECT count(*) FROM Node"), "0");
}

TEST_F(DatabaseTest, DropColumnReportsAMissingColumnAsSuccess) {
    EXPECT_TRUE(db().dropColumn("NODE", "mode"));
    EXPECT_TRUE(logged("Successfully dropped the column mode in table NODE"));
    EXPECT_TRUE(db().dropColumn("NODE", "mode"));
    EXPECT_TRUE(logged("Column mode is not present in the table NODE"));
    EXPECT_FALSE(db().dropColumn("Nowhere", "mode"));
    EXPECT_TRUE(loggedStartingWith("Couldn't drop the column mode in table Nowhere-->"));
}

TEST_F(DatabaseTest, UpdateColumnFillsEveryRow) {
    EXPECT_TRUE(db().updateColumn("MOTOR", "kg", "5", false));
    EXPECT_TRUE(logged("8 number of rows in MOTOR table got updated with kg = 5"));
    EXPECT_TRUE(logged("Successfully updated the column kg in table MOTOR with value 5"));
    EXPECT_EQ(raw("SELECT count(*) FROM Motor WHERE kg = 5"), "8");
    EXPECT_TRUE(db().updateColumn("MOTOR", "out7", "It's", true));
    EXPECT_EQ(raw("SELECT count(*) FROM Motor WHERE out7 = 'It''s'"), "8");
    EXPECT_FALSE(db().updateColumn("MOTOR", "kg", "1; DELETE FROM Motor", false));
    EXPECT_EQ(raw("SELECT count(*) FROM Motor"), "8");
    EXPECT_FALSE(db().updateColumn("MOTOR", "missing", "1", false));
    EXPECT_TRUE(loggedAt("Can't update the column missing in the database.-->no such column: missing", 3));
}

TEST_F(DatabaseTest, AddRowTakesNumbersAndTextsAndRefusesOtherTypes) {
    Collection<std::string> names, types, values;
    for (auto [n, t, v] :
         {std::tuple{"model", "text", "JP'99"}, {"pitch", "number", "12.5"}, {"motorType", "number", "2"}}) {
        names.add(n);
        types.add(t);
        values.add(v);
    }
    EXPECT_TRUE(db().addRow("SLIDE", names, types, values));
    EXPECT_TRUE(logged("Successfully added the row in table SLIDE"));
    EXPECT_EQ(raw("SELECT pitch FROM Slide WHERE model = 'JP''99'"), "12.5");

    types.remove(3);
    types.add("date");
    EXPECT_FALSE(db().addRow("SLIDE", names, types, values));
    EXPECT_TRUE(loggedAt("Couldn't add the row in table SLIDE-->Invalid data type in addRow", 3));
    EXPECT_EQ(raw("SELECT count(*) FROM Slide"), "33");
}

TEST_F(DatabaseTest, DeleteRowsLogsTheCountTwice) {
    EXPECT_TRUE(db().deleteRows("Slide", "model", "WX21", true));
    EXPECT_TRUE(loggedAt("1 number of rows in Slide table got deleted with model = 'WX21'", 1));
    EXPECT_EQ(raw("SELECT count(*) FROM Slide"), "31");
    EXPECT_TRUE(db().deleteRows("Slide", "model", "x' OR '1'='1", true));
    EXPECT_EQ(raw("SELECT count(*) FROM Slide"), "31");
    EXPECT_FALSE(db().deleteRows("Slide", "missing", "1", false));
    EXPECT_TRUE(loggedStartingWith("Can't delete the rows in the database.-->"));
}

TEST_F(DatabaseTest, CreateTablesQuietlyAcceptExistingOnes) {
    EXPECT_TRUE(db().createHmiTable());
    EXPECT_TRUE(db().createSimulationTable());
    EXPECT_FALSE(loggedStartingWith("Successfully created"));
    raw("DROP TABLE Hmi");
    raw("DROP TABLE Simulation");
    EXPECT_TRUE(db().createHmiTable());
    EXPECT_TRUE(db().createSimulationTable());
    EXPECT_TRUE(logged("Successfully created the Hmi table."));
    EXPECT_TRUE(logged("Successfully created the Simulation table."));
    EXPECT_EQ(raw("SELECT count(*) FROM pragma_table_info('Simulation')"), "13");
}

TEST_F(DatabaseTest, DeleteStarFromIsReadAsDeleteFrom) {
    EXPECT_EQ(DbConnection::translate("DELETE * FROM Node WHERE pathKey = 3"), "DELETE FROM Node WHERE pathKey = 3");
    EXPECT_EQ(DbConnection::translate("SELECT * FROM Node"), "SELECT * FROM Node");
    EXPECT_EQ(db().Connection()->execute("delete  *  from Slide WHERE model = 'WX75'"), 1);
}

TEST_F(DatabaseTest, ConnectionBindsValuesAndReadsTypedFields) {
    auto c = db().Connection();
    EXPECT_EQ(c->execute("INSERT INTO Node (nodeName, p1, p2, pathKey, datasetKey) VALUES (?, ?, ?, 0, 1)",
                         {"it's", 2.5, DbValue()}),
              1);
    const int64_t key = c->lastInsertKey();
    Recordset rs = c->query("SELECT nodeName, p1, p2 FROM Node WHERE nodeKey = ?", {key});
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.field(0).toText(), "it's");
    EXPECT_EQ(rs.field("P1").toInt32(), 2);  // halves to even
    EXPECT_TRUE(rs.field(2).isNull());
    try {
        rs.field(2).toDouble();
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 94);
    }
    EXPECT_THROW(rs.field(0).toDouble(), NumberedError);
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_THROW(rs.field(0), NumberedError);
    // A second statement after the first is never run.
    EXPECT_THROW(c->execute("DELETE FROM Slide; DELETE FROM Motor"), DbError);
    EXPECT_EQ(raw("SELECT count(*) FROM Slide"), "32");
    EXPECT_THROW(c->query("SELECT ? FROM Config"), DbError);
}

TEST_F(DatabaseTest, CheckpointLeavesEveryCommitInTheFileItself) {
    db().preInitializeConfigSet("copied", "yes");
    db().Connection()->checkpoint();
    fs::copy_file(dbPath(), install_->file("data/copy.db"));
    auto copy = std::make_shared<Database>();
    copy->openDatabase("copy.db");
    EXPECT_EQ(copy->preInitializeConfigGet("copied"), "yes");
}

TEST_F(DatabaseTest, ReopensAClosedConnectionOnce) {
    db().closeConnection();
    EXPECT_EQ(db().Version(), 12);
    EXPECT_TRUE(loggedAt("Connection is not open. Trying to open a new connection...", 2));
}

class DatabaseFileTest : public PersistenceTest {
protected:
    // Opens `name` from the data folder as a fresh database object.
    std::shared_ptr<Database> open(const std::string& name) {
        auto d = std::make_shared<Database>();
        d->openDatabase(name);
        return d;
    }
    std::string dataFile(const std::string& name) const { return install_->file("data/" + name); }
};

// The busy time-out for connections opened while it lives.
struct BusyTimeout {
    explicit BusyTimeout(int32_t ms) { DbConnection::setBusyTimeout(ms); }
    ~BusyTimeout() { DbConnection::setBusyTimeout(saved); }
    int32_t saved = DbConnection::busyTimeout();
};

// Another connection holding the file's exclusive lock while it lives.
struct LockHolder {
    explicit LockHolder(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(h, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    }
    ~LockHolder() {
        sqlite3_exec(h, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(h);
    }
    sqlite3* h = nullptr;
};

// Start-up refuses each file with a numbered error that names the file and
// the cause, and leaves it byte for byte as it was (no -wal, no -journal).
TEST_F(DatabaseFileTest, RefusedFilesSayWhyAndStayAsTheyWere) {
    const BusyTimeout shortWait(50);
    db().closeConnection();
    const std::string valid = readFileText(dbPath());
    auto withVersion = [&](const std::string& value) {
        writeFile(dataFile("scratch.db"), valid);
        valueOf(dataFile("scratch.db"), "UPDATE Config SET keyValue = '" + value + "' WHERE keyName = 'dbVersion'");
        return readFileText(dataFile("scratch.db"));
    };
    // A page of noise in the middle: the root page of Slide.
    std::string damaged = valid;
    const auto page = std::stoul(valueOf(dbPath(), "SELECT rootpage FROM sqlite_master WHERE name = 'Slide'"));
    std::mt19937 noise(7);
    for (std::size_t i = 0; i < 4096; ++i) damaged[(page - 1) * 4096 + i] = static_cast<char>(noise());
    std::string random(8192, '\0');
    for (char& c : random) c = static_cast<char>(noise());

    auto cannotOpen = [&](const std::string& name, const std::string& cause) {
        return "Can't open the database " + dataFile(name) + ". [" + cause + "]";
    };
    auto badVersion = [&](const std::string& name, const std::string& value) {
        return "The dbVersion of the database " + dataFile(name) + " is '" + value + "', not a schema version.";
    };
    enum Kind { File, Locked, Folder, Missing };
    struct Case {
        std::string name;
        Kind kind;
        std::string bytes;
        std::string description;  // or how it starts
    };
    const std::vector<Case> cases = {
        {"empty.db", File, "", cannotOpen("empty.db", "file is not a database")},
        {"random.db", File, random, cannotOpen("random.db", "file is not a database")},
        {"truncated.db", File, valid.substr(0, valid.size() / 2),
         cannotOpen("truncated.db", "database disk image is malformed")},
        {"damaged.db", File, damaged,
         "Can't open the database " + dataFile("damaged.db") + ". [the integrity check failed: Page " +
             std::to_string(page) + ": "},
        {"locked.db", Locked, valid, cannotOpen("locked.db", "database is locked")},
        {"folder.db", Folder, "", cannotOpen("folder.db", "is a directory")},
        {"missing.db", Missing, "", cannotOpen("missing.db", "No such file or directory")},
        {"text.db", File, withVersion("twelve"), badVersion("text.db", "twelve")},
        {"half.db", File, withVersion("11.5"), badVersion("half.db", "11.5")},
        {"negative.db", File, withVersion("-1"), badVersion("negative.db", "-1")},
        {"huge.db", File, withVersion("40000"), badVersion("huge.db", "40000")},
        {"newer.db", File, withVersion("99"), "Incompatible database. [newer.db]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dataFile(c.name);
        if (c.kind == Folder) fs::create_directory(path);
        if (c.kind == File || c.kind == Locked) writeFile(path, c.bytes);
        {
            std::unique_ptr<LockHolder> lock(c.kind == Locked ? new LockHolder(path) : nullptr);
            auto d = std::make_shared<Database>();
            d->openDatabase(c.name);
            try {
                d->checkVersion();
                ADD_FAILURE() << "accepted";
            } catch (const NumberedError& e) {
                EXPECT_EQ(e.number(), ErrorCodes::DATABASE_ERROR);
                EXPECT_EQ(e.description().substr(0, c.description.size()), c.description) << e.description();
            }
        }
        EXPECT_EQ(fs::exists(path), c.kind != Missing);
        if (c.kind == File || c.kind == Locked) EXPECT_TRUE(readFileText(path) == c.bytes) << "the file was changed";
        for (const char* extra : {"-wal", "-shm", "-journal"}) EXPECT_FALSE(fs::exists(path + extra)) << extra;
    }
}

// Another process holds the write lock when start-up begins and gives it
// back while start-up waits: the file is opened, found current and left as
// it was (only switched to write-ahead mode), not "upgraded" from version 0.
TEST_F(DatabaseFileTest, StartUpWaitsForALockToBeReleased) {
    db().closeConnection();
    const std::string before = dumpOf(dbPath());
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        LockHolder lock(dbPath());
        (void)!write(ready[1], "x", 1);
        usleep(300000);
        _exit(0);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    auto d = std::make_shared<Database>();
    d->openDatabase("vek.db");
    EXPECT_NO_THROW(d->checkVersion());
    int status = 0;
    waitpid(child, &status, 0);
    for (int fd : ready) close(fd);
    EXPECT_EQ(d->storedVersion(), 12);
    EXPECT_FALSE(loggedStartingWith("Migrating database"));
    d.reset();
    EXPECT_EQ(dumpOf(dbPath()), before);
    EXPECT_EQ(valueOf(dbPath(), "PRAGMA journal_mode"), "wal");
}

TEST_F(DatabaseFileTest, ReadOnlyFilesAreMadeWritableOrRefusedUntouched) {
    db().closeConnection();
    ASSERT_EQ(chmod(dbPath().c_str(), 0444), 0);
    clearMessages();
    auto d = open("vek.db");
    int warnings = 0;
    for (const auto& [m, l] : messages())
        if (m == "The file " + dbPath() + " is read only. Making it writable..." && l == 2) ++warnings;
    EXPECT_EQ(warnings, 1);
    struct stat st {};
    ASSERT_EQ(stat(dbPath().c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);
    d->preInitializeConfigSet("unit", "3");
    EXPECT_EQ(d->preInitializeConfigGet("unit"), "3");
    d.reset();

    // Another user's file in write-ahead mode, which this user may only read:
    // refused before the first read, which would leave -wal and -shm behind.
    if (geteuid() != 0) return;  // only root can hand the file to another user
    ASSERT_EQ(valueOf(dbPath(), "PRAGMA journal_mode=WAL"), "wal");
    ASSERT_EQ(chmod(install_->path().c_str(), 0755) | chmod(dataFile("").c_str(), 0777), 0);
    const std::string before = readFileText(dbPath());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        try {
            open("vek.db")->checkVersion();
        } catch (const NumberedError& e) {
            _exit(e.description().find("[attempt to write a readonly database]") == std::string::npos);
        }
        _exit(3);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readFileText(dbPath()), before);
    for (const char* extra : {"-wal", "-shm"}) EXPECT_FALSE(fs::exists(dbPath() + extra)) << extra;
}

TEST_F(DatabaseFileTest, VersionZeroFileHasNoVersionRow) {
    const std::string schema = readFileText(std::string(VEK_SOURCE_DIR) + "/data/schema_v0.sql");
    ASSERT_FALSE(schema.empty());
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(dataFile("old.db").c_str(), &h), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, schema.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(h);
    sqlite3_close(h);
    auto d = open("old.db");
    EXPECT_EQ(d->Version(), 0);
    EXPECT_EQ(d->preInitializeConfigGet("unit"), "2");
}

}  // namespace
}  // namespace vek::test
