#include "vek/persistence/DataSets.h"

#include <cmath>
#include <optional>
#include <unordered_set>
#include <vector>

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/foundation/Text.h"
#include "vek/persistence/Database.h"
#include "vek/persistence/DbConnection.h"
#include "vek/persistence/DbSavepoint.h"

namespace vek {

namespace {
constexpr const char* kBadBreadCrumb = "BCD program data is not valid. Program can't be loaded.";

void log(const std::string& message, int16_t level) {
    logAt(level, message, LogSource::DATABASE_SOURCE);
}

std::string describe(const std::exception& e) {
    const auto* numbered = dynamic_cast<const NumberedError*>(&e);
    return numbered ? numbered->description() : std::string(e.what());
}

void logFailure(const std::string& message, const std::exception& e) {
    log(message + "-->" + describe(e), LogLevel::Error);
}

NumberedError storeError(const std::string& description) {
    return NumberedError(ErrorCodes::DATABASE_ERROR, description);
}

bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A breadcrumb taken apart: "<pathKey>path.<any>.<datasetKey>" or
// "<any>nodes.<datasetKey>". A token's number is its leading decimal number
// (0 without one); a number that does not fit a key raises 6.
struct BreadCrumb {
    enum class Form { Other, Path, Points } form = Form::Other;
    int32_t pathKey = 0;
    int32_t datasetKey = 0;

    static BreadCrumb parse(const std::string& text) {
        std::vector<std::string> tokens;
        std::size_t start = 0;
        for (;;) {
            const std::size_t dot = text.find('.', start);
            tokens.push_back(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
            if (dot == std::string::npos) break;
            start = dot + 1;
        }
        auto number = [&](std::size_t i) {
            if (i >= tokens.size()) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
            return toInt32(std::trunc(val(tokens[i])));
        };
        BreadCrumb b;
        if (endsWith(tokens[0], "path")) {
            b.form = Form::Path;
            b.pathKey = number(0);
            b.datasetKey = number(2);
        } else if (endsWith(tokens[0], "nodes")) {
            b.form = Form::Points;
            b.datasetKey = number(1);
        }
        return b;
    }
};
}  // namespace

DataSets::DataSets(std::shared_ptr<Database> database) : database_(std::move(database)) {
    log("Initializing datasets", LogLevel::DEVELOPER);
    // One read transaction for the three tables: a path another process
    // stores meanwhile is loaded with its dataset and points or not at all.
    std::optional<DbSavepoint> snapshot;
    try {
        auto connection = this->database().Connection();
        snapshot.emplace(*connection, "vek_load");
        columns_ = DatasetColumns::read(*connection);
    } catch (const std::exception& e) {
        // Without the table layout nothing can be read; the loads below say so.
        columns_ = DatasetColumns::all();
    }
    log("Loading datasets", LogLevel::DEVELOPER);
    loadedCompletely_ = loadDatasets();
    log("Loading paths", LogLevel::DEVELOPER);
    loadedCompletely_ = loadPaths() && loadedCompletely_;
    log("Loading nodes", LogLevel::DEVELOPER);
    loadedCompletely_ = loadNodes() && loadedCompletely_;
}

DataSets::~DataSets() {
    log("Terminating dataset", LogLevel::DEVELOPER);
}

Database& DataSets::database() const {
    return requireDatabase(database_);
}

std::shared_ptr<DataSet> DataSets::datasetFor(int32_t datasetKey) const {
    return dataSets_->item(std::to_string(datasetKey));
}

bool DataSets::loadDatasets() {
    try {
        auto connection = database().Connection();
        connection->forEachRow("SELECT datasetKey, datasetName FROM Dataset", {}, [&](const DbRow& row) {
            auto dataset = std::make_shared<DataSet>(database_, columns_);
            dataset->setKey(static_cast<int32_t>(row.toInt64(0)));
            dataset->setName(trim(row.text(1)));
            dataSets_->add(dataset, std::to_string(dataset->key()));
        });
        return true;
    } catch (const std::exception& e) {
        logFailure("Can't load the datasets from the database.", e);
    }
    return false;
}

bool DataSets::loadPaths() {
    try {
        auto connection = database().Connection();
        const std::string type = columns_.pathType ? "pathType" : "NULL";
        connection->forEachRow(
            "SELECT pathKey, pathName, " + type + ", datasetKey FROM Path ORDER BY pathKey ASC", {},
            [&](const DbRow& row) {
                auto path = std::make_shared<NodePath>();
                path->setKey(static_cast<int32_t>(row.toInt64(0)));
                path->setName(trim(row.text(1)));
                path->setPathType(row.isNull(2) ? int16_t{PathConstants::LINEAR_PATH} : toInt16(row.toDouble(2)));
                datasetFor(toInt32(row.toDouble(3)))->addPathInMemory(path);
            });
        return true;
    } catch (const std::exception& e) {
        logFailure("Can't load the paths from the database.", e);
    }
    return false;
}

bool DataSets::loadNodes() {
    try {
        auto connection = database().Connection();
        auto column = [](bool present, const std::string& name) { return present ? name : "NULL"; };
        std::string sql = "SELECT nodeKey, nodeName";
        for (int i = 1; i <= 8; ++i) sql += ", " + column(columns_.p[i], "p" + std::to_string(i));
        sql += ", pathKey, datasetKey, " + column(columns_.orderNumber, "orderNumber") + ", " +
               column(columns_.speed, "speed") + ", " + column(columns_.acceleration, "acceleration") + ", " +
               column(columns_.mode, "mode") + " FROM Node ORDER BY datasetKey ASC, pathKey ASC, " +
               (columns_.orderNumber ? "orderNumber ASC, " : "") + "nodeKey ASC";

        // Rows come grouped by dataset and path. A group is gathered first
        // and then added in one go: the scope is looked up once, its
        // collection gets exactly the room it needs (growing by doubling
        // would hold up to twice the memory a big load needs), and a path's
        // running length and corner angles are worked out once over all its
        // points (the same figures that adding them one by one gives).
        int64_t currentDataset = 0, currentPath = -1;
        std::shared_ptr<DataSet> dataset;
        std::vector<std::shared_ptr<Node>> pending;
        auto flush = [&] {
            if (pending.empty()) return;
            NodePath* path = nullptr;
            NodeCollection* points = dataset->nodes().get();
            if (currentPath != 0) {
                path = dataset->paths()->item(std::to_string(currentPath)).get();
                if (!path->nodes()) path->setNodes(std::make_shared<NodeCollection>());
                points = path->nodes().get();
            }
            points->reserve(points->count() + pending.size());
            try {
                for (auto& node : pending) {
                    const std::string key = std::to_string(node->key());
                    points->add(std::move(node), key);
                }
            } catch (...) {
                pending.clear();
                if (path) path->calculateLength(true);
                throw;
            }
            pending.clear();
            if (path) path->calculateLength(true);
        };
        try {
            connection->forEachRow(sql, {}, [&](const DbRow& row) {
                const int64_t pathKey = toInt32(row.toDouble(10));
                const int64_t datasetKey = toInt32(row.toDouble(11));
                if (!dataset || datasetKey != currentDataset || pathKey != currentPath) {
                    flush();
                    dataset = datasetFor(static_cast<int32_t>(datasetKey));
                    currentDataset = datasetKey;
                    currentPath = pathKey;
                    if (pathKey != 0) dataset->paths()->item(std::to_string(pathKey));  // a missing path fails here
                }
                auto node = std::make_shared<Node>();
                node->setKey(static_cast<int32_t>(row.toInt64(0)));
                node->setName(trim(row.text(1)));
                for (int16_t i = 1; i <= 8; ++i)
                    if (!row.isNull(1 + i)) node->setAxis(i, toInt32(row.toDouble(1 + i)));
                node->setOrderNumber(row.isNull(12) ? int16_t{-1} : toInt16(row.toDouble(12)));
                node->setSpeed(row.isNull(13) ? int16_t{10} : toInt16(row.toDouble(13)));
                node->setAcceleration(row.isNull(14) ? int16_t{10} : toInt16(row.toDouble(14)));
                node->setMode(row.isNull(15) ? int16_t{0} : toInt16(row.toDouble(15)));
                pending.push_back(std::move(node));
            });
        } catch (...) {
            // The points read before the failing row stay loaded.
            try {
                flush();
            } catch (...) {
            }
            throw;
        }
        flush();
        return true;
    } catch (const std::exception& e) {
        logFailure("Can't load the points from the database.", e);
    }
    return false;
}

std::shared_ptr<DataSet> DataSets::GLOBAL_DATASET() const {
    return dataSets_->item("1");
}

namespace {
// A lookup by breadcrumb: text of neither form names nothing, quietly; a
// breadcrumb whose tokens or keys fail logs that and names nothing.
template <typename Find>
auto lookUp(const std::string& text, Find&& find) -> decltype(find(BreadCrumb{})) {
    try {
        const BreadCrumb b = BreadCrumb::parse(text);
        if (b.form != BreadCrumb::Form::Other) return find(b);
    } catch (const std::exception&) {
        log(kBadBreadCrumb, LogLevel::Error);
    }
    return nullptr;
}
}  // namespace

std::shared_ptr<NodeCollection> DataSets::getNodesFromBreadCrumb(const std::string& tmpBreadCrumb) const {
    return lookUp(tmpBreadCrumb, [this](const BreadCrumb& b) -> std::shared_ptr<NodeCollection> {
        if (b.form == BreadCrumb::Form::Points) return datasetFor(b.datasetKey)->nodes();
        auto path = datasetFor(b.datasetKey)->paths()->item(std::to_string(b.pathKey));
        if (!path->nodes()) path->setNodes(std::make_shared<NodeCollection>());
        return path->nodes();
    });
}

std::shared_ptr<DataSet> DataSets::getDatasetFromBreadCrumb(const std::string& tmpBreadCrumb) const {
    return lookUp(tmpBreadCrumb, [this](const BreadCrumb& b) { return datasetFor(b.datasetKey); });
}

std::shared_ptr<NodePath> DataSets::getPathFromBreadCrumb(const std::string& tmpBreadCrumb) const {
    return lookUp(tmpBreadCrumb, [this](const BreadCrumb& b) -> std::shared_ptr<NodePath> {
        // A points breadcrumb is well formed; it just names no path.
        if (b.form == BreadCrumb::Form::Points) return nullptr;
        return datasetFor(b.datasetKey)->paths()->item(std::to_string(b.pathKey));
    });
}

std::shared_ptr<DataSet> DataSets::getDatasetByName(const std::string& datasetName) const {
    for (const auto& dataset : *dataSets_)
        if (dataset->name() == datasetName) return dataset;
    return nullptr;
}

std::shared_ptr<DataSet> DataSets::insertDataset(const std::shared_ptr<DataSet>& tmpDataset) {
    requireObject(tmpDataset);
    try {
        auto connection = database().Connection();
        DbSavepoint savepoint(*connection);
        if (connection->execute("INSERT INTO Dataset (datasetName) VALUES (?)", {"tmpDataset"}) != 1)
            throw storeError("Dataset not inserted correctly");
        const int32_t key = connection->query("SELECT MAX(datasetKey) FROM Dataset").field(0).toInt32();
        tmpDataset->setKey(key);
        tmpDataset->setName("Dataset" + std::to_string(key));
        if (dataSets_->contains(std::to_string(key))) throw NumberedError::platform(PlatformErrors::DUPLICATE_KEY);
        if (connection->execute("UPDATE Dataset SET datasetName = ? WHERE datasetKey = ?", {tmpDataset->name(), key}) !=
            1)
            throw storeError("Dataset not updated correctly");
        savepoint.commit();
        tmpDataset->setDatabase(database_);
        dataSets_->add(tmpDataset, std::to_string(key));
        return tmpDataset;
    } catch (const std::exception& e) {
        logFailure("Can't insert the dataset in the database.", e);
    }
    return nullptr;
}

void DataSets::updateDataset(const std::shared_ptr<DataSet>& tmpDataset) {
    requireObject(tmpDataset);
    try {
        if (database().Connection()->execute("UPDATE Dataset SET datasetName = ? WHERE datasetKey = ?",
                                             {tmpDataset->name(), tmpDataset->key()}) != 1)
            throw storeError("Dataset not updated correctly");
    } catch (const std::exception& e) {
        logFailure("Can't update the dataset in the database.", e);
    }
}

// By value: the argument may be a slot of the collection changed here.
bool DataSets::deleteDataset(std::shared_ptr<DataSet> tmpDataset) {  // NOLINT(performance-unnecessary-value-param)
    requireObject(tmpDataset);
    try {
        if (!dataSets_->contains(std::to_string(tmpDataset->key())))
            throw NumberedError::platform(PlatformErrors::INVALID_PROCEDURE_CALL);
        auto connection = database().Connection();
        DbSavepoint savepoint(*connection);
        const int32_t key = tmpDataset->key();
        connection->execute("DELETE FROM Node WHERE datasetKey = ?", {key});
        connection->execute("DELETE FROM Path WHERE datasetKey = ?", {key});
        if (connection->execute("DELETE FROM Dataset WHERE datasetKey = ?", {key}) != 1)
            throw storeError("Dataset not deleted correctly");
        savepoint.commit();
        removeDatasetInMemory(tmpDataset);
        return true;
    } catch (const std::exception& e) {
        logFailure("Can't delete the dataset in the database.", e);
    }
    return false;
}

void DataSets::removeDatasetInMemory(const std::shared_ptr<DataSet>& tmpDataset) {
    const std::string key = std::to_string(tmpDataset->key());
    dataSets_->remove(key);
}

std::shared_ptr<NodePath> DataSets::AppendPaths(const std::shared_ptr<NodePath>& firstPath,
                                                const std::shared_ptr<NodePath>& secondPath) {
    requireObject(firstPath);
    if (!secondPath) {
        firstPath->setNextPath(nullptr);
    } else if (firstPath->key() == secondPath->key() && firstPath->key() != 0) {
        log(secondPath->name() + " is duplicate path. Only unique paths can be appended together.", LogLevel::Error);
        return nullptr;
    } else {
        // A chain someone closed into a loop has no last path; stop at the
        // first repeat instead of walking for ever.
        std::unordered_set<const NodePath*> seen{firstPath.get()};
        NodePath* last = firstPath.get();
        while (last->nextPath() && seen.insert(last->nextPath().get()).second) last = last->nextPath().get();
        last->setNextPath(secondPath->clone());
    }
    log("Appended path = " + firstPath->toStringAppendedPaths(), LogLevel::DEVELOPER);
    return firstPath;
}

bool DataSets::isValidDatasetName(const std::string& datasetName) const {
    const bool valid = isValidVariableName(datasetName);
    return valid && !getDatasetByName(datasetName);
}

}  // namespace vek
