#include <sys/stat.h>  // chmod
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <tuple>

#include "PersistenceTest.h"
#include "support/Each.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/persistence/DbError.h"

namespace vek::test {
namespace {

namespace fs = std::filesystem;
using DatabaseTest = PersistenceTest;
constexpr int32_t kDatabaseError = ErrorCodes::DATABASE_ERROR;

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A closed connection is opened again at the next use; after a checkpoint a
// copy of the file alone holds every commit.
TEST_F(DatabaseTest, OpensTheInstallDatabaseReopensItAndCheckpointsIntoTheFile) {
    EXPECT_EQ(db().fileName() + " " + db().connectionString(),
              "vek.db DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + dbPath());
    EXPECT_EQ(db().Connection()->state(), DbConnection::adStateOpen);
    EXPECT_EQ(db().Version(), ServerConstants::DB_VERSION);
    EXPECT_NO_THROW(db().checkVersion());
    db().closeConnection();
    EXPECT_EQ(db().Version(), ServerConstants::DB_VERSION);
    EXPECT_TRUE(loggedAt("Connection is not open. Trying to open a new connection...", 2));

    db().preInitializeConfigSet("copied", "yes");
    db().Connection()->checkpoint();
    fs::copy_file(dbPath(), install_->file("data/copy.db"));
    Database copy;
    copy.openDatabase("copy.db");
    EXPECT_EQ(copy.preInitializeConfigGet("copied"), "yes");
}

// filterSingleQuote doubles every quote in place. Config names are read
// exactly and written without regard to case (one row per name); values with
// quotes or statements in them are stored as they are.
TEST_F(DatabaseTest, QuotesAreDoubledAndConfigValuesStoredAsTheyAre) {
    EXPECT_EQ(each({"O'Brien", "''", "plain"}, [](std::string s) { return Database::filterSingleQuote(s) + "/" + s; }),
              "O''Brien/O''Brien|''''/''''|plain/plain");
    EXPECT_EQ(each({"unit", "Unit", "never"}, [&](const char* key) { return db().preInitializeConfigGet(key); }),
              "2||");
    for (const std::string value : {"a'b", "x'); DROP TABLE Config; --"}) {
        db().preInitializeConfigSet("host.key", value);
        EXPECT_EQ(raw("SELECT count(*) || '/' || keyValue FROM Config WHERE keyName = 'host.key'"), "1/" + value);
        EXPECT_EQ(db().preInitializeConfigGet("host.key"), value);
    }
    db().preInitializeConfigSet("PORT", "COM4");
    EXPECT_EQ(raw("SELECT keyValue FROM Config WHERE keyName = 'port'"), "COM4");
    EXPECT_FALSE(loggedStartingWith("Can't"));
}

// The schema steps of upgrades take a column or table that is there already
// (or a column gone already) as done, log every other failure with its cause,
// take typed values and refuse names and numbers that would change the
// statement.
TEST_F(DatabaseTest, SchemaStepsTakeWhatIsDoneAlreadyAsSuccess) {
    EXPECT_TRUE(db().addColumn("NODE", "p9", "Number") && !db().columnExisted());
    EXPECT_TRUE(db().addColumn("NODE", "p9", "Number") && db().columnExisted());
    EXPECT_TRUE(db().addColumn("Motor", "note", "Text", "none") && !db().columnExisted());
    EXPECT_FALSE(db().addColumn("NoSuchTable", "c", "Number"));
    EXPECT_FALSE(db().addColumn("Node", "x; DROP TABLE Node", "Number"));
    EXPECT_TRUE(db().dropColumn("NODE", "mode"));
    EXPECT_TRUE(db().dropColumn("NODE", "mode"));
    EXPECT_FALSE(db().dropColumn("Nowhere", "mode"));
    EXPECT_TRUE(db().updateColumn("MOTOR", "kg", "5", false));
    EXPECT_TRUE(db().updateColumn("MOTOR", "out7", "It's", true));
    EXPECT_FALSE(db().updateColumn("MOTOR", "kg", "1; DELETE FROM Motor", false));
    EXPECT_FALSE(db().updateColumn("MOTOR", "missing", "1", false));
    // The default, the filled columns, and every row and table still there.
    EXPECT_EQ(raw("SELECT note || '/' || (SELECT count(*) FROM Motor WHERE kg = 5 AND out7 = 'It''s') || '/' || "
                  "(SELECT count(*) FROM Node) || '/' || (SELECT count(*) FROM Motor) FROM Motor WHERE motorKey = 1"),
              "none/8/0/8");

    Collection<std::string> names, types, values;
    for (auto [n, t, v] :
         {std::tuple{"model", "text", "JP'99"}, {"pitch", "number", "12.5"}, {"motorType", "number", "2"}})
        names.add(n), types.add(t), values.add(v);
    EXPECT_TRUE(db().addRow("SLIDE", names, types, values));
    EXPECT_EQ(raw("SELECT pitch FROM Slide WHERE model = 'JP''99'"), "12.5");
    types.remove(3);
    types.add("date");
    EXPECT_FALSE(db().addRow("SLIDE", names, types, values));
    EXPECT_EQ(raw("SELECT count(*) FROM Slide"), "33");

    EXPECT_TRUE(db().deleteRows("Slide", "model", "WX21", true));
    EXPECT_TRUE(db().deleteRows("Slide", "model", "x' OR '1'='1", true));
    EXPECT_EQ(raw("SELECT count(*) FROM Slide"), "32");
    EXPECT_FALSE(db().deleteRows("Slide", "missing", "1", false));

    EXPECT_TRUE(db().createHmiTable() && db().createSimulationTable());
    EXPECT_FALSE(loggedStartingWith("Successfully created"));
    raw("DROP TABLE Hmi; DROP TABLE Simulation");
    EXPECT_TRUE(db().createHmiTable() && db().createSimulationTable());
    EXPECT_EQ(raw("SELECT count(*) FROM pragma_table_info('Simulation')"), "13");

    EXPECT_TRUE(loggedAllAt(
        messages(), 1,
        {"Successfully added the column p9 in table NODE", "Column p9 is already present in the table NODE",
         "Successfully dropped the column mode in table NODE", "Column mode is not present in the table NODE",
         "8 number of rows in MOTOR table got updated with kg = 5",
         "Successfully updated the column kg in table MOTOR with value 5", "Successfully added the row in table SLIDE",
         "1 number of rows in Slide table got deleted with model = 'WX21'", "Successfully created the Hmi table.",
         "Successfully created the Simulation table."}));
    EXPECT_TRUE(loggedAllAt(messages(), 3,
                            {"Couldn't add the column c in table NoSuchTable-->no such table: NoSuchTable",
                             "Can't update the column missing in the database.-->no such column: missing",
                             "Couldn't add the row in table SLIDE-->Invalid data type in addRow"}));
    EXPECT_TRUE(loggedAllStartingWith(messages(), {"Couldn't drop the column mode in table Nowhere-->",
                                                   "Can't delete the rows in the database.-->"}));
}

TEST_F(DatabaseTest, ConnectionBindsValuesReadsTypedFieldsAndRunsOneStatement) {
    EXPECT_EQ(each({"DELETE * FROM Node WHERE pathKey = 3", "SELECT * FROM Node"}, DbConnection::translate),
              "DELETE FROM Node WHERE pathKey = 3|SELECT * FROM Node");
    auto c = db().Connection();
    EXPECT_EQ(c->execute("delete  *  from Slide WHERE model = 'WX75'"), 1);
    EXPECT_EQ(c->execute("INSERT INTO Node (nodeName, p1, p2, pathKey, datasetKey) VALUES (?, ?, ?, 0, 1)",
                         {"it's", 2.5, DbValue()}),
              1);
    Recordset rs = c->query("SELECT nodeName, p1, p2 FROM Node WHERE nodeKey = ?", {c->lastInsertKey()});
    // 2.5 halves to even.
    EXPECT_EQ(rs.field(0).toText() + "/" + std::to_string(rs.field("P1").toInt32()) + "/" +
                  std::to_string(rs.field(2).isNull()),
              "it's/2/1");
    EXPECT_TRUE(raisesNumbered(
        94, [&] { rs.field(2).toDouble(); }, "Invalid use of Null"));
    EXPECT_TRUE(raisesNumbered(13, [&] { rs.field(0).toDouble(); }));
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_TRUE(raisesNumbered(
        9, [&] { rs.field(0); }, "Subscript out of range"));
    // A second statement after the first is never run.
    EXPECT_THROW(c->execute("DELETE FROM Slide; DELETE FROM Motor"), DbError);
    EXPECT_EQ(raw("SELECT count(*) FROM Slide"), "31");
    EXPECT_THROW(c->query("SELECT ? FROM Config"), DbError);
}

// The busy time-out for connections opened while it lives.
struct BusyTimeout {
    explicit BusyTimeout(int32_t ms) { DbConnection::setBusyTimeout(ms); }
    ~BusyTimeout() { DbConnection::setBusyTimeout(saved); }
    int32_t saved = DbConnection::busyTimeout();
};

// Another connection holding the exclusive lock of the file until it is
// closed (which rolls its transaction back).
std::shared_ptr<sqlite3> lockOf(const std::string& path) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(h, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    return {h, sqlite3_close};
}

// The database `name` of the data folder, opened as a fresh database object.
std::shared_ptr<Database> opened(const std::string& name) {
    auto d = std::make_shared<Database>();
    d->openDatabase(name);
    return d;
}

// Start-up refuses each file with a numbered error that names the file and
// the cause, and leaves it byte for byte as it was (no -wal, no -journal).
TEST_F(DatabaseTest, RefusedFilesSayWhyAndStayAsTheyWere) {
    const BusyTimeout shortWait(50);
    db().closeConnection();
    const auto dataFile = [&](const std::string& name) { return install_->file("data/" + name); };
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

    struct Case {
        std::string name, bytes;
        // "[cause]" of "Can't open the database <path>. [cause]" (or how it
        // starts), "'value'" of a dbVersion that is no version, or all of it.
        std::string cause;
    };
    for (const auto& c : std::vector<Case>{
             {"empty.db", "", "[file is not a database]"},
             {"random.db", random, "[file is not a database]"},
             {"truncated.db", valid.substr(0, valid.size() / 2), "[database disk image is malformed]"},
             {"damaged.db", damaged, "[the integrity check failed: Page " + std::to_string(page) + ": "},
             {"locked.db", valid, "[database is locked]"},
             {"folder.db", "", "[is a directory]"},
             {"missing.db", "", "[No such file or directory]"},
             {"text.db", withVersion("twelve"), "'twelve'"},
             {"half.db", withVersion("11.5"), "'11.5'"},
             {"negative.db", withVersion("-1"), "'-1'"},
             {"huge.db", withVersion("40000"), "'40000'"},
             {"newer.db", withVersion("99"), "Incompatible database. [newer.db]"},
         }) {
        SCOPED_TRACE(c.name);
        const std::string path = dataFile(c.name);
        const std::string description = c.cause[0] == '['    ? "Can't open the database " + path + ". " + c.cause
                                        : c.cause[0] == '\'' ? "The dbVersion of the database " + path + " is " +
                                                                   c.cause + ", not a schema version."
                                                             : c.cause;
        const bool folder = c.name == "folder.db", missing = c.name == "missing.db";
        if (folder) fs::create_directory(path);
        if (!folder && !missing) writeFile(path, c.bytes);
        {
            const auto lock = c.name == "locked.db" ? lockOf(path) : nullptr;
            const NumberedError e = raised([&] { opened(c.name)->checkVersion(); });
            EXPECT_EQ(e.number(), kDatabaseError);
            EXPECT_EQ(e.description().substr(0, description.size()), description) << e.description();
        }
        EXPECT_EQ(fs::exists(path), !missing);
        if (!folder && !missing) EXPECT_TRUE(readFileText(path) == c.bytes) << "the file was changed";
        for (const char* extra : {"-wal", "-shm", "-journal"}) EXPECT_FALSE(fs::exists(path + extra)) << extra;
    }
    EXPECT_TRUE(
        loggedAt("You are trying to run an old application with a new database version_99\r\n"
                 "Please reinstall the latest application and try again. Exiting...",
                 2));
}

// Another process holds the write lock when start-up begins and gives it
// back while start-up waits: the file is opened, found current and left as
// it was (only switched to write-ahead mode), not "upgraded" from version 0.
TEST_F(DatabaseTest, StartUpWaitsForALockToBeReleased) {
    db().closeConnection();
    const std::string before = dumpOf(dbPath());
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const auto lock = lockOf(dbPath());
        (void)!write(ready[1], "x", 1);
        usleep(300000);
        _exit(0);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    auto d = opened("vek.db");
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

TEST_F(DatabaseTest, ReadOnlyFilesAreMadeWritableOrRefusedUntouched) {
    db().closeConnection();
    ASSERT_EQ(chmod(dbPath().c_str(), 0444), 0);
    clearMessages();
    auto d = opened("vek.db");
    const std::string warning = "The file " + dbPath() + " is read only. Making it writable...";
    EXPECT_TRUE(countLogged(messages(), warning) == 1 && loggedAt(warning, 2));
    EXPECT_NE(fs::status(dbPath()).permissions() & fs::perms::owner_write, fs::perms::none);
    d->preInitializeConfigSet("unit", "3");
    EXPECT_EQ(d->preInitializeConfigGet("unit"), "3");
    d.reset();

    // Another user's file in write-ahead mode, which this user may only read:
    // refused before the first read, which would leave -wal and -shm behind.
    if (geteuid() != 0) return;  // only root can hand the file to another user
    ASSERT_EQ(valueOf(dbPath(), "PRAGMA journal_mode=WAL"), "wal");
    ASSERT_EQ(chmod(install_->path().c_str(), 0755) | chmod(install_->file("data/").c_str(), 0777), 0);
    const std::string before = readFileText(dbPath());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        const NumberedError e = raised([] { opened("vek.db")->checkVersion(); });
        _exit(e.number() == 0 ? 3
                              : e.description().find("[attempt to write a readonly database]") == std::string::npos);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readFileText(dbPath()), before);
    for (const char* extra : {"-wal", "-shm"}) EXPECT_FALSE(fs::exists(dbPath() + extra)) << extra;
}

}  // namespace
}  // namespace vek::test
