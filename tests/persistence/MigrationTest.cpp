#include <ctime>
#include <filesystem>
#include <set>
#include <string>

#include "PersistenceTest.h"
#include "vek/foundation/EventLoop.h"
#include "vek/persistence/DataSets.h"

namespace vek::test {
namespace {

namespace fs = std::filesystem;

// Tables and indexes with their columns, names folded to lower case.
constexpr const char* kSchema =
    "SELECT lower(m.name) || '.' || lower(c.name) FROM sqlite_master m, pragma_table_info(m.name) c "
    "WHERE m.type = 'table' AND m.name NOT LIKE 'sqlite_%' UNION SELECT 'index ' || lower(m.name) || '.' || "
    "lower(c.name) FROM sqlite_master m, pragma_index_info(m.name) c WHERE m.type = 'index' AND m.sql IS NOT NULL "
    "ORDER BY 1";

// The shipped version-0 file, copied into the install as data/old.db and
// opened as the shared database.
class MigrationTest : public PersistenceTest {
protected:
    void SetUp() override {
        PersistenceTest::SetUp();
        shipped_ = readFileText(file("vek_v0.db"));
        ASSERT_FALSE(shipped_.empty());
        openCopy("old.db");
    }

    void openCopy(const std::string& name, const std::string& original = "vek_v0.db") {
        runtime().database.reset();
        for (const char* extra : {"", "-wal", "-shm"}) fs::remove(file(name + extra));
        fs::copy_file(file(original), file(name));
        name_ = name;
        runtime().database = std::make_shared<Database>();
        db().openDatabase(name);
    }

    std::string file(const std::string& name) const { return install_->file("data/" + name); }
    std::string path() const { return file(name_); }
    std::string value(const std::string& sql) const { return valueOf(path(), sql); }

    // <file>_<year>_<month>_<day>_<hour>_<minute> of now, local time, without leading zeros.
    std::string datedBackup() const {
        const std::time_t t = std::chrono::system_clock::to_time_t(eventLoop().clock().wallNow());
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "_%Y_%-m_%-d_%-H_%-M", std::localtime(&t));
        return path() + stamp;
    }

    std::string shipped_;
    std::string name_;
};

TEST_F(MigrationTest, VersionZeroFileIsUpgradedToTheCurrentSchemaWithoutLosingData) {
    // A file without a version row is version 0; its values read as ever.
    ASSERT_EQ(db().Version(), 0);
    EXPECT_EQ(db().preInitializeConfigGet("unit"), "2");
    EXPECT_EQ(countsOf(path()), "2/2/9");
    EXPECT_NO_THROW(db().checkVersion());
    EXPECT_EQ(db().Version(), 12);
    EXPECT_EQ(countsOf(path()), "2/2/9");

    EXPECT_TRUE(
        loggedAt("Database version_0 is incompatible with the current database version. Migrating to new "
                 "database version_12 ...",
                 2));
    EXPECT_TRUE(
        loggedAt("Database migration succeeded. Old database has been backed up. Loading the application...", 3));
    EXPECT_TRUE(loggedAll(messages(), {"Migrating database from version_0 to version_12",
                                       "Backing up the database from " + path() + " to " + datedBackup()}));
    for (int v = 0; v < 12; ++v)
        EXPECT_TRUE(logged("    -- Migrating database from version_" + std::to_string(v) + " to version_" +
                           std::to_string(v + 1)));
    // The backup is the file exactly as it was shipped.
    EXPECT_EQ(readFileText(datedBackup()), shipped_);

    EXPECT_EQ(rowsOf(path(), kSchema), rowsOf(file("vek.db"), kSchema));
    EXPECT_EQ(value("SELECT count(*) || '/' || keyValue FROM Config WHERE keyName = 'dbVersion'"), "1/12");

    // The built-in slides once each, in the shipped order; the user's own model stays.
    EXPECT_EQ(value("SELECT count(*) FROM Slide"), "33");
    const std::string slides = "SELECT model, pitch, stroke, maxSpeed, maxAcceleration, motorType FROM Slide ";
    EXPECT_EQ(rowsOf(path(), slides + "WHERE model <> 'Custom' ORDER BY slideKey"),
              rowsOf(file("vek.db"), slides + "ORDER BY slideKey"));
    EXPECT_EQ(value("SELECT pitch || ',' || motorType FROM Slide WHERE model = 'Custom'"), "5,1");

    EXPECT_EQ(value("SELECT group_concat(name) FROM (SELECT name FROM Motor ORDER BY motorKey)"),
              "Motor1,Motor2,Motor3,Motor4,Motor5,Motor6,Motor7,Motor8");
    EXPECT_EQ(value("SELECT out7 || out8 || out9 || out10 FROM Motor WHERE motorKey = 1"), "Out7Out8Out9Out10");
    // Axes keep their slide model across the replacement of the built-in rows.
    EXPECT_EQ(value("SELECT group_concat(s.model || '/' || s.pitch || '/' || s.stroke) FROM Motor m JOIN Slide s "
                    "ON s.slideKey = m.slideKey"),
              "JP65/10/100,JP65/10/100,JP65/10/100,JP65/10/100,JP65/10/100,JP65/10/100");
    EXPECT_EQ(value("SELECT group_concat(slideKey) FROM Motor WHERE motorKey > 6"), "-31913,-31913");
    EXPECT_EQ(value("SELECT name || ',' || ifnull(company, 'none') || ',' || (SELECT count(*) FROM IO) FROM USER "
                    "WHERE userKey = 3"),
              "O'Brien,none,4");

    // Old points take the defaults of the columns added since; paths of a
    // file without types are polylines.
    EXPECT_EQ(value("SELECT count(*) FROM Node WHERE speed = 10 AND acceleration = 10 AND mode = 0 AND p7 = 0 AND "
                    "p8 = 0"),
              "9");
    EXPECT_EQ(value("SELECT group_concat(nodeName || orderNumber) FROM (SELECT * FROM Node WHERE pathKey IN (0, 1) "
                    "ORDER BY pathKey = 0, datasetKey, orderNumber)"),
              "a1,b2,c3,home1,park2,probe1");
    EXPECT_EQ(value("SELECT group_concat(pathType) FROM Path"), "1,1");

    DataSets loaded(runtime().database);
    EXPECT_TRUE(loaded.loadedCompletely());
    auto outline = loaded.getDatasetByName("PartA")->getPathByName("outline");
    ASSERT_TRUE(outline);
    EXPECT_EQ(outline->nodes()->item(3)->axis(3), 50);
}

// An early file that typed its paths already keeps the types, and its arcs get
// "pitch" and "rotations" points. Steps run again add nothing and leave values
// alone; step 10 to 11 puts back a damaged set of built-in slides.
TEST_F(MigrationTest, ArcPathsGetTheirPointsAndStepsRunAgainAddNothing) {
    for (const char* sql : {"ALTER TABLE Path ADD COLUMN pathType Number", "UPDATE Path SET pathType = 1",
                            "UPDATE Path SET pathType = 2 WHERE pathName = 'circle'"})
        db().Connection()->execute(sql);
    ASSERT_TRUE(db().migrate(0, 12));
    EXPECT_TRUE(loggedAll(messages(), {"Adding 'pitch' and 'rotations' points in ARC_PATHs that don't have them.",
                                       "Adding 'pitch' point for circle", "Adding 'rotations' point for circle"}));
    EXPECT_FALSE(logged("Adding 'pitch' point for outline"));
    EXPECT_EQ(value("SELECT group_concat(pathType) FROM Path"), "1,2");
    EXPECT_EQ(value("SELECT group_concat(nodeName || ':' || orderNumber || ':' || p1 || ':' || datasetKey) FROM "
                    "(SELECT * FROM Node WHERE pathKey = 2 ORDER BY orderNumber)"),
              "center:1:1000:2,start:2:1500:2,end:3:1000:2,pitch:4:0:2,rotations:5:1:2");
    EXPECT_EQ(value("SELECT count(*) FROM Node WHERE speed = 10 AND acceleration = 10 AND mode = 0 AND p7 = 0"), "11");

    clearMessages();
    auto c = db().Connection();
    c->execute("UPDATE Node SET p7 = 5, speed = 33");
    c->execute("UPDATE Slide SET motorType = 4 WHERE model = 'Custom'");
    const std::string motors = value("SELECT count(*) FROM Motor");
    ASSERT_TRUE(db().addArcPathPoints() && db().migrate5to6() && db().migrate7to8() && db().migrate8to9());
    EXPECT_FALSE(logged("Adding 'pitch' point for circle"));
    EXPECT_TRUE(logged("Column out7 is already present in the table MOTOR"));
    EXPECT_EQ(value("SELECT count(*) || '/' || sum(p7 = 5 AND speed = 33) || '/' || (SELECT motorType FROM Slide "
                    "WHERE model = 'Custom') FROM Node"),
              "11/11/4");
    c->execute("UPDATE Slide SET maxSpeed = 1 WHERE model = 'JP90'");
    c->execute("INSERT INTO Slide (model) VALUES ('wx21')");
    ASSERT_TRUE(db().migrate10to11());
    EXPECT_EQ(value("SELECT count(*) || '/' || (SELECT count(*) FROM Slide WHERE maxSpeed = 1) FROM Slide WHERE model "
                    "IN ('JP65', 'JP90', 'WX21', 'WX75')"),
              "32/0");
    EXPECT_EQ(value("SELECT count(*) FROM Motor"), motors);
}

TEST_F(MigrationTest, CurrentFileIsOnlyBackedUp) {
    openCopy("current.db", "vek.db");
    const std::string before = dumpOf(path());
    clearMessages();
    ASSERT_TRUE(db().migrate(12, 12));
    EXPECT_TRUE(loggedAll(messages(), {"Migrating database from version_12 to version_12",
                                       "Backing up the database from " + path() + " to " + datedBackup()}));
    EXPECT_FALSE(loggedStartingWith("    -- Migrating"));
    EXPECT_EQ(dumpOf(datedBackup()), before);
    EXPECT_EQ(dumpOf(path()), before);
}

// Fails one statement at a time through the whole upgrade: the backup always
// holds the shipped file, the file stays at the last finished step, and a
// second start-up finishes it to exactly what an undisturbed upgrade gives.
TEST_F(MigrationTest, AnInterruptedUpgradeResumesWhereItStopped) {
    const int64_t start = db().Connection()->statementCount();
    ASSERT_TRUE(db().migrate(0, 12));
    const int64_t statements = db().Connection()->statementCount() - start;
    ASSERT_GT(statements, 100);
    const std::string clean = dumpOf(path()), cleanBackup = datedBackup();
    std::set<int16_t> stoppedAt;
    const int64_t stride = statements / 40 + 1;
    for (int64_t n = 1; n <= statements; n += (n < 12 ? 1 : stride)) {
        SCOPED_TRACE("failing statement " + std::to_string(n));
        openCopy("fault.db");
        clearMessages();
        db().Connection()->failStatement(n);
        const bool upgraded = db().migrate(0, 12);
        if (n <= 3) {
            // 1: the lock the backup is copied under (no copy, no step, no
            // byte written); 2 and 3: the switch to the write-ahead log,
            // which a file may refuse.
            EXPECT_EQ(upgraded, n > 1);
            EXPECT_EQ(fs::exists(datedBackup()), n > 1);
            if (n == 1) EXPECT_EQ(readFileText(path()), shipped_);
            fs::remove(datedBackup());
            continue;
        }
        EXPECT_FALSE(upgraded);
        EXPECT_EQ(readFileText(datedBackup()), shipped_);
        const int16_t reached = db().Version();
        ASSERT_LT(reached, 12);
        stoppedAt.insert(reached);
        EXPECT_TRUE(loggedAt("Migration from version_" + std::to_string(reached) + " to version_" +
                                 std::to_string(reached + 1) + " failed.",
                             3));
        EXPECT_EQ(countsOf(path()), "2/2/9");
        clearMessages();
        EXPECT_NO_THROW(db().checkVersion());
        EXPECT_TRUE(logged("Migrating database from version_" + std::to_string(reached) + " to version_12"));
        EXPECT_EQ(db().Version(), 12);
        EXPECT_EQ(dumpOf(path()), clean);
        // The resumed upgrade's own copy, made in the same minute, sits beside the first one.
        EXPECT_EQ(readFileText(datedBackup()), shipped_);
        EXPECT_TRUE(fs::exists(datedBackup() + "_2"));
        for (const char* copy : {"", "_2"}) fs::remove(datedBackup() + copy);
    }
    EXPECT_EQ(readFileText(cleanBackup), shipped_);
    // Faults hit early, middle and late steps.
    EXPECT_TRUE(stoppedAt.count(0));
    EXPECT_GE(stoppedAt.size(), 8u);
}

}  // namespace
}  // namespace vek::test
