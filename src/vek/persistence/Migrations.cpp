// The upgrade of older database files, one schema version at a time, and the
// two repairs of stored paths that two of the steps run.
//
// Order of the data repairs on a version-0 file. Two steps work on points
// before the columns they would write exist: step 0 to 1 adds the "pitch"
// and "rotations" points of arc paths while Node still has only p1..p3, and
// step 6 to 7 renumbers every point before p7 and p8 exist. The dataset
// statements therefore name only the Node and Path columns the file has at
// that moment (DatasetColumns::read), and the later steps fill the rest:
//   0 to 1   arc points are stored with p1..p3, names, pathKey and datasetKey;
//   3 to 4   p4..p6 are added and stay empty (they load as 0);
//   6 to 7   orderNumber is added as -1, then every scope is numbered 1, 2, 3,
//            ... in key order (so the repaired arc points come last), with
//            speed/acceleration/mode written as the defaults 10, 10, 0;
//   10 to 11 speed, acceleration and mode are recreated as 10, 10, 0;
//   11 to 12 p7 and p8 are added as 0.
#include "vek/persistence/Migrations.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <memory>

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Files.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/geometry/NodePath.h"
#include "vek/persistence/DataSet.h"
#include "vek/persistence/DataSets.h"
#include "vek/persistence/Database.h"
#include "vek/persistence/DbConnection.h"

namespace vek {

namespace {
void log(const std::string& message, int16_t level = LogLevel::info) {
    logAt(level, message, LogSource::DATABASE_SOURCE);
}

std::string describe(const std::exception& e) {
    const auto* numbered = dynamic_cast<const NumberedError*>(&e);
    return numbered ? numbered->description() : std::string(e.what());
}

// A byte-for-byte copy into a new file that tells whether it worked: an
// upgrade must not start without its backup, and no earlier backup is ever
// overwritten.
struct SlideModel {
    const char* model;
    const char* pitch;
    std::array<const char*, 5> strokes;
    std::size_t strokeCount;
    const char* maxSpeed;
    const char* maxAcceleration;
    const char* motorType;
};

// Model by model, pitch by pitch, stroke by stroke: 32 rows.
constexpr std::array<SlideModel, 8> kBuiltInSlides{{
    {"JP65", "10", {"50", "100", "150", "200", "250"}, 5, "80", "900", "2"},
    {"JP65", "19.05", {"50", "100", "150", "200", "250"}, 5, "165", "900", "2"},
    {"JP65", "38.1", {"50", "100", "150", "200", "250"}, 5, "380", "900", "2"},
    {"JP90", "10", {"50", "100", "150", "200", "250"}, 5, "135", "900", "2"},
    {"JP90", "16", {"50", "100", "150", "200", "250"}, 5, "220", "900", "2"},
    {"JP90", "38.1", {"50", "100", "150", "200", "250"}, 5, "510", "900", "2"},
    {"WX21", "0.2", {"360"}, 1, "150", "72000", "4"},
    {"WX75", "0.2", {"360"}, 1, "180", "72000", "4"},
}};

Collection<std::string> collectionOf(std::initializer_list<std::string> items) {
    Collection<std::string> c;
    for (const auto& item : items) c.add(item);
    return c;
}

// A transaction that holds the write lock from its start: a step runs in
// one with its "dbVersion" write (either both stay or neither does), and no
// other process writes while the backup is copied.
class WriteTransaction {
public:
    explicit WriteTransaction(DbConnection& c) : c_(c) { c_.execute("BEGIN IMMEDIATE"); }
    ~WriteTransaction() {
        if (done_) return;
        try {
            c_.execute("ROLLBACK");
        } catch (...) {
            // A failed COMMIT may already have ended the transaction.
        }
    }
    void commit() {
        c_.execute("COMMIT");
        done_ = true;
    }

private:
    DbConnection& c_;
    bool done_ = false;
};
}  // namespace

Migrations::Migrations(Database& database) : db_(database) {}

std::string Migrations::backupName(const std::string& fullPath) {
    const std::time_t t = std::chrono::system_clock::to_time_t(eventLoop().clock().wallNow());
    std::tm tm{};
    localtime_r(&t, &tm);
    std::string dated = fullPath;
    for (int part : {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min})
        dated += "_" + std::to_string(part);
    std::string name = dated;
    for (int n = 2; pathExists(name); ++n) name = dated + "_" + std::to_string(n);
    return name;
}

bool Migrations::migrate(int16_t fromVersion, int16_t toVersion) {
    log("Migrating database from version_" + toText(fromVersion) + " to version_" + toText(toVersion));
    if (!backUp()) return false;
    // Now that the copy holds the file as it was, the steps may commit
    // through the write-ahead log.
    db_.Connection()->useWriteAheadLog();
    for (int16_t v = fromVersion; v < toVersion; ++v) {
        const std::string from = toText(v), to = toText(v + 1);
        log("    -- Migrating database from version_" + from + " to version_" + to);
        if (!runStep(v)) {
            log("Migration from version_" + from + " to version_" + to + " failed.", LogLevel::Error);
            return false;
        }
    }
    return true;
}

bool Migrations::backUp() {
    try {
        auto connection = db_.Connection();
        // Commits waiting in the write-ahead log belong in the copy.
        connection->checkpoint();
        // Named under the lock: two processes upgrading one file at once
        // each keep a copy of their own.
        WriteTransaction writeLock(*connection);
        const std::string backup = backupName(db_.fullPath());
        log("Backing up the database from " + db_.fullPath() + " to " + backup);
        if (!copyToNewFile(db_.fullPath(), backup)) {
            log("Couldn't back up the database to " + backup, LogLevel::Error);
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        log("Couldn't back up the database -->" + describe(e), LogLevel::Error);
    }
    return false;
}

bool Migrations::runStep(int16_t fromVersion) {
    using Step = bool (Migrations::*)();
    static constexpr std::array<Step, 12> steps{
        &Migrations::migrate0to1, &Migrations::migrate1to2,  &Migrations::migrate2to3,   &Migrations::migrate3to4,
        &Migrations::migrate4to5, &Migrations::migrate5to6,  &Migrations::migrate6to7,   &Migrations::migrate7to8,
        &Migrations::migrate8to9, &Migrations::migrate9to10, &Migrations::migrate10to11, &Migrations::migrate11to12,
    };
    if (fromVersion < 0 || fromVersion >= static_cast<int16_t>(steps.size())) {
        log("There is no migration from version_" + toText(fromVersion), LogLevel::Error);
        return false;
    }
    try {
        auto connection = db_.Connection();
        WriteTransaction transaction(*connection);
        // Another process that started with this one may have run the step
        // while this one waited for the lock; running it twice would add
        // its rows twice.
        if (const int16_t stored = db_.storedVersion(); stored > fromVersion) {
            log("Database is at version_" + toText(stored) + " already; the step is skipped.");
            return true;
        }
        if (!(this->*steps[static_cast<std::size_t>(fromVersion)])()) return false;
        const std::string reached = toText(fromVersion + 1);
        db_.preInitializeConfigSet("dbVersion", reached);
        // preInitializeConfigSet swallows its failures; a step whose version
        // was not written must not stay, or the resumed upgrade would run it
        // twice.
        if (db_.preInitializeConfigGet("dbVersion") != reached) return false;
        transaction.commit();
        return true;
    } catch (const std::exception& e) {
        log("Couldn't run the migration step -->" + describe(e), LogLevel::Error);
    }
    return false;
}

bool Migrations::addFilledColumn(const std::string& table, const std::string& column, const std::string& type,
                                 const std::string& value, bool valueIsText) {
    if (!db_.addColumn(table, column, type)) return false;
    return db_.columnExisted() || db_.updateColumn(table, column, value, valueIsText);
}

bool Migrations::addBuiltInSlides() {
    const auto names = collectionOf({"model", "pitch", "stroke", "maxSpeed", "maxAcceleration", "motorType"});
    const auto types = collectionOf({"text", "number", "number", "number", "number", "number"});
    for (const auto& slide : kBuiltInSlides)
        for (std::size_t i = 0; i < slide.strokeCount; ++i)
            if (!db_.addRow("SLIDE", names, types,
                            collectionOf({slide.model, slide.pitch, slide.strokes[i], slide.maxSpeed,
                                          slide.maxAcceleration, slide.motorType})))
                return false;
    return true;
}

bool Migrations::migrate0to1() {
    return addFilledColumn("PATH", "pathType", "Number", "1", false) && db_.dropColumn("MOTOR", "acceleration") &&
           addArcPathPoints();
}

bool Migrations::migrate1to2() {
    return db_.createHmiTable();
}

bool Migrations::migrate2to3() {
    return db_.addColumn("USER", "company", "Text");
}

bool Migrations::migrate3to4() {
    return db_.addColumn("NODE", "p4", "Number") && db_.addColumn("NODE", "p5", "Number") &&
           db_.addColumn("NODE", "p6", "Number");
}

bool Migrations::migrate4to5() {
    return db_.createSimulationTable();
}

bool Migrations::migrate5to6() {
    return addFilledColumn("Motor", "motorType", "Number", "1", false);
}

bool Migrations::migrate6to7() {
    return addFilledColumn("Node", "orderNumber", "Number", "-1", false) && db_.addColumn("NODE", "speed", "Number") &&
           db_.addColumn("NODE", "acceleration", "Number") && db_.addColumn("NODE", "mode", "Number") &&
           renumberNodes();
}

bool Migrations::migrate7to8() {
    return db_.dropColumn("Motor", "motorType") && addFilledColumn("Slide", "motorType", "Number", "1", false);
}

bool Migrations::migrate8to9() {
    for (int i = 7; i <= 10; ++i)
        if (!addFilledColumn("MOTOR", "out" + std::to_string(i), "Text", "Out" + std::to_string(i), true)) return false;
    return true;
}

bool Migrations::migrate9to10() {
    return addBuiltInSlides();
}

bool Migrations::migrate10to11() {
    // The built-in slide rows are replaced, which gives them new keys: axes
    // assigned to one of them are pointed at its replacement (same model,
    // pitch and stroke), or left without a slide when it has none, instead of
    // keeping a key that no longer exists and failing to load.
    static const std::string kBuiltIn = "model IN ('JP65', 'JP90', 'WX21', 'WX75')";
    try {
        auto connection = db_.Connection();
        connection->execute("DROP TABLE IF EXISTS temp.SlideRemap");
        connection->execute(
            "CREATE TEMP TABLE SlideRemap AS SELECT slideKey AS oldKey, model, pitch, stroke FROM Slide "
            "WHERE " +
            kBuiltIn);
    } catch (const std::exception& e) {
        log("Couldn't keep the slides of the axes -->" + describe(e), LogLevel::Error);
        return false;
    }
    for (const char* model : {"JP65", "JP90", "WX21", "WX75"})
        if (!db_.deleteRows("Slide", "model", model, true)) return false;
    if (!addBuiltInSlides()) return false;
    try {
        auto connection = db_.Connection();
        connection->execute(
            "UPDATE Motor SET slideKey = (SELECT max(s.slideKey) FROM Slide s JOIN SlideRemap r ON s.model = r.model "
            "AND s.pitch = r.pitch AND s.stroke = r.stroke WHERE r.oldKey = Motor.slideKey) "
            "WHERE slideKey IN (SELECT oldKey FROM SlideRemap)");
        connection->execute("DROP TABLE temp.SlideRemap");
    } catch (const std::exception& e) {
        log("Couldn't keep the slides of the axes -->" + describe(e), LogLevel::Error);
        return false;
    }
    const std::array<std::pair<const char*, const char*>, 3> columns{
        {{"speed", "10"}, {"acceleration", "10"}, {"mode", "0"}}};
    for (const auto& [column, value] : columns)
        if (!db_.dropColumn("NODE", column) || !addFilledColumn("NODE", column, "Number", value, false)) return false;
    return true;
}

bool Migrations::migrate11to12() {
    const auto names = collectionOf({"name"});
    const auto types = collectionOf({"text"});
    return db_.addRow("MOTOR", names, types, collectionOf({"Motor7"})) &&
           db_.addRow("MOTOR", names, types, collectionOf({"Motor8"})) &&
           addFilledColumn("NODE", "p7", "Number", "0", false) && addFilledColumn("NODE", "p8", "Number", "0", false) &&
           addNodeOrderIndex();
}

bool Migrations::addNodeOrderIndex() {
    // Loading reads points in this order; a new file has the index from the
    // start, an upgraded one gets it once all its columns exist.
    try {
        db_.Connection()->execute(
            "CREATE INDEX IF NOT EXISTS NodeOrder ON Node (datasetKey, pathKey, orderNumber, nodeKey)");
        return true;
    } catch (const std::exception& e) {
        log("Couldn't create the index of the points -->" + describe(e), LogLevel::Error);
    }
    return false;
}

bool Migrations::addArcPathPoints() {
    log("Adding 'pitch' and 'rotations' points in ARC_PATHs that don't have them.");
    try {
        auto connection = db_.Connection();
        // The repair runs on this database, which outlives it: a non-owning handle.
        std::shared_ptr<Database> self(std::shared_ptr<Database>{}, &db_);
        DataSet scratch(self, DatasetColumns::read(*connection));
        std::unordered_map<int32_t, int32_t> datasetOfPath;
        connection->forEachRow("SELECT pathKey, pathName, datasetKey FROM Path WHERE pathType = 2", {},
                               [&](const DbRow& row) {
                                   auto path = std::make_shared<NodePath>();
                                   path->setKey(static_cast<int32_t>(row.toInt64(0)));
                                   path->setName(trim(row.text(1)));
                                   path->setPathType(PathConstants::ARC_PATH);
                                   scratch.addPathInMemory(path);
                                   datasetOfPath[path->key()] = toInt32(row.toDouble(2));
                               });
        int32_t counter = -1;
        connection->forEachRow(
            "SELECT nodeName, pathKey, datasetKey FROM Node WHERE pathKey IN (SELECT pathKey FROM Path WHERE pathType "
            "= 2 )",
            {}, [&](const DbRow& row) {
                auto node = std::make_shared<Node>();
                node->setName(trim(row.text(0)));
                node->setKey(node->name() == "center" ? toInt32(row.toDouble(2)) : counter--);
                scratch.addNodeInMemory(toInt32(row.toDouble(1)), node);
            });
        for (const auto& path : *scratch.paths()) {
            // The centre point names the path's dataset; a path without one
            // still belongs to the dataset its row names.
            const auto center = path->getNodeByName("center");
            scratch.setKey(center ? center->key() : datasetOfPath[path->key()]);
            for (const auto& [name, value] : {std::pair<const char*, int32_t>{"pitch", 0}, {"rotations", 1}}) {
                if (path->getNodeByName(name)) continue;
                log(std::string("Adding '") + name + "' point for " + path->name());
                auto node = std::make_shared<Node>();
                node->setName(name);
                node->setAxis(1, value);
                if (!scratch.insertNode(node, path->key()))
                    throw NumberedError(ErrorCodes::DATABASE_ERROR, std::string("Couldn't add the ") + name + " point");
            }
        }
        return true;
    } catch (const std::exception& e) {
        log("Can't load the points from the database.-->" + describe(e), LogLevel::Error);
    }
    return false;
}

bool Migrations::renumberNodes() {
    std::shared_ptr<Database> self(std::shared_ptr<Database>{}, &db_);
    DataSets all(self);
    // A partial image would leave the points it missed at -1.
    if (!all.loadedCompletely()) return false;
    for (const auto& dataset : *all.getDataSets()) {
        int16_t order = 0;
        for (const auto& node : *dataset->nodes()) {
            node->setOrderNumber(++order);
            if (!dataset->updateNode(node)) return false;
        }
        for (const auto& path : *dataset->paths()) {
            if (!path->nodes()) continue;
            order = 0;
            for (const auto& node : *path->nodes()) {
                node->setOrderNumber(++order);
                if (!dataset->updateNode(node, path)) return false;
            }
        }
    }
    return true;
}

}  // namespace vek
