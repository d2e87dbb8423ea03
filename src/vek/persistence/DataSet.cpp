#include "vek/persistence/DataSet.h"

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
void logFailure(const std::string& message, const std::exception& e) {
    const auto* numbered = dynamic_cast<const NumberedError*>(&e);
    logAt(LogLevel::Error, message + "-->" + (numbered ? numbered->description() : std::string(e.what())),
          LogSource::DATABASE_SOURCE);
}

std::string keyText(int32_t key) {
    return std::to_string(key);
}

NumberedError storeError(const std::string& description) {
    return NumberedError(ErrorCodes::DATABASE_ERROR, description);
}
}  // namespace

DatasetColumns DatasetColumns::read(DbConnection& connection) {
    DatasetColumns c;
    auto has = [&](const char* table) {
        std::vector<std::string> names;
        connection.forEachRow(std::string("PRAGMA table_info(") + table + ")", {},
                              [&](const DbRow& row) { names.push_back(toLowerAscii(row.text(1))); });
        return names;
    };
    auto contains = [](const std::vector<std::string>& names, const std::string& name) {
        for (const auto& n : names)
            if (n == name) return true;
        return false;
    };
    const auto node = has("Node");
    for (int i = 1; i <= 8; ++i) c.p[i] = contains(node, "p" + std::to_string(i));
    c.orderNumber = contains(node, "ordernumber");
    c.speed = contains(node, "speed");
    c.acceleration = contains(node, "acceleration");
    c.mode = contains(node, "mode");
    c.pathType = contains(has("Path"), "pathtype");
    return c;
}

// Nodes and paths come by value on purpose: a caller may pass a slot of the
// very collection an operation changes, and the reference would move under it.
// NOLINTBEGIN(performance-unnecessary-value-param)
DataSet::DataSet(std::shared_ptr<Database> database, DatasetColumns columns)
    : database_(std::move(database)), columns_(columns) {}

DataSet::~DataSet() = default;

Database& DataSet::database() const {
    return requireDatabase(database_);
}

void DataSet::addPathInMemory(const std::shared_ptr<NodePath>& tmpNodePath) {
    requireObject(tmpNodePath);
    paths_->add(tmpNodePath, keyText(tmpNodePath->key()));
}

void DataSet::removePathInMemory(const std::shared_ptr<NodePath>& tmpNodePath) {
    const std::string key = keyText(tmpNodePath->key());
    paths_->remove(key);
}

NodeCollection* DataSet::scope(int32_t pathKey) const {
    if (pathKey == 0) return nodes_.get();
    auto& path = paths_->item(keyText(pathKey));
    if (!path->nodes()) path->setNodes(std::make_shared<NodeCollection>());
    return path->nodes().get();
}

void DataSet::renumberFrom(NodeCollection& scope, std::size_t fromPosition) {
    if (fromPosition < 1) fromPosition = 1;
    for (std::size_t i = fromPosition; i <= scope.count(); ++i)
        scope.item(i)->setOrderNumber(toInt16(static_cast<double>(i)));
}

std::shared_ptr<Node> DataSet::insertNode(std::shared_ptr<Node> node, int32_t pathKey,
                                          std::shared_ptr<Node> beforeNode) {
    requireObject(node);
    try {
        NodeCollection* points = scope(pathKey);
        if (beforeNode && !points->contains(keyText(beforeNode->key())))
            throw NumberedError::platform(PlatformErrors::INVALID_PROCEDURE_CALL);
        const int16_t orderNumber =
            beforeNode ? beforeNode->orderNumber() : toInt16(static_cast<double>(points->count() + 1));
        node->setOrderNumber(orderNumber);

        auto connection = database().Connection();
        DbSavepoint savepoint(*connection);
        if (beforeNode && columns_.orderNumber)
            connection->execute(
                "UPDATE Node SET orderNumber = orderNumber + 1 WHERE orderNumber > ? AND pathKey = ? AND datasetKey = "
                "?",
                {int64_t{orderNumber} - 1, pathKey, key_});
        std::string names, marks;
        std::vector<DbValue> values;
        auto column = [&](const std::string& name, DbValue value) {
            names += (names.empty() ? "" : ", ") + name;
            marks += marks.empty() ? "?" : ", ?";
            values.push_back(std::move(value));
        };
        for (int16_t i = 1; i <= MAX_MOTORS; ++i)
            if (columns_.p[i]) column("p" + std::to_string(i), node->axis(i));
        if (columns_.orderNumber) column("orderNumber", orderNumber);
        column("pathKey", pathKey);
        column("datasetKey", key_);
        if (columns_.speed) column("speed", node->speed());
        if (columns_.acceleration) column("acceleration", node->acceleration());
        if (columns_.mode) column("mode", node->mode());
        if (connection->execute("INSERT INTO Node (" + names + ") VALUES (" + marks + ")", values) != 1)
            throw storeError("Point not inserted correctly");
        const int32_t key = connection->query("SELECT MAX(nodeKey) FROM Node").field(0).toInt32();
        node->setKey(key);
        if (node->name().empty()) node->setName("Point" + keyText(key));
        if (points->contains(keyText(key))) throw NumberedError::platform(PlatformErrors::DUPLICATE_KEY);
        if (connection->execute("UPDATE Node SET nodeName = ? WHERE nodeKey = ?", {node->name(), key}) != 1)
            throw storeError("Point not updated correctly");
        savepoint.commit();
        addNodeInMemory(pathKey, node, beforeNode);
        return node;
    } catch (const std::exception& e) {
        logFailure("Can't insert the point in the database.", e);
    }
    return nullptr;
}

void DataSet::addNodeInMemory(int32_t pathKey, std::shared_ptr<Node> tmpNode, std::shared_ptr<Node> beforeNode) {
    requireObject(tmpNode);
    const std::string key = keyText(tmpNode->key());
    if (pathKey == 0) {
        const std::size_t before = beforeNode ? nodes_->positionOf(keyText(beforeNode->key())) : 0;
        if (beforeNode && before == 0) throw NumberedError::platform(PlatformErrors::INVALID_PROCEDURE_CALL);
        nodes_->add(tmpNode, key, before);
    } else {
        auto& path = paths_->item(keyText(pathKey));
        path->addNode(tmpNode, key, beforeNode ? keyText(beforeNode->key()) : std::string());
    }
    if (beforeNode)
        renumberFrom(*scope(pathKey), static_cast<std::size_t>(std::max<int>(tmpNode->orderNumber(), 0)) + 1);
}

void DataSet::deleteNode(std::shared_ptr<Node> node, int32_t pathKey) {
    requireObject(node);
    try {
        if (!scope(pathKey)->contains(keyText(node->key())))
            throw NumberedError::platform(PlatformErrors::INVALID_PROCEDURE_CALL);
        auto connection = database().Connection();
        DbSavepoint savepoint(*connection);
        if (columns_.orderNumber)
            connection->execute(
                "UPDATE Node SET orderNumber = orderNumber - 1 WHERE orderNumber > ? AND pathKey = ? AND datasetKey = "
                "?",
                {node->orderNumber(), pathKey, key_});
        if (connection->execute("DELETE FROM Node WHERE nodeKey = ?", {node->key()}) != 1)
            throw storeError("Point not deleted correctly");
        savepoint.commit();
        removeNodeInMemory(pathKey, node);
    } catch (const std::exception& e) {
        logFailure("Can't delete the point in the database.", e);
    }
}

void DataSet::removeNodeInMemory(int32_t pathKey, std::shared_ptr<Node> tmpNode) {
    if (pathKey == 0) {
        nodes_->remove(keyText(tmpNode->key()));
    } else {
        paths_->item(keyText(pathKey))->removeNode(*tmpNode);
    }
    renumberFrom(*scope(pathKey), static_cast<std::size_t>(std::max<int>(tmpNode->orderNumber(), 1)));
}

std::shared_ptr<NodePath> DataSet::insertPath(const std::shared_ptr<NodePath>& tmpNodePath) {
    requireObject(tmpNodePath);
    try {
        auto connection = database().Connection();
        DbSavepoint savepoint(*connection);
        const int32_t inserted =
            columns_.pathType
                ? connection->execute("INSERT INTO Path (pathName, pathType, datasetKey) VALUES (?, ?, ?)",
                                      {"tmpPath", tmpNodePath->pathType(), key_})
                : connection->execute("INSERT INTO Path (pathName, datasetKey) VALUES (?, ?)", {"tmpPath", key_});
        if (inserted != 1) throw storeError("Path not inserted correctly");
        const int32_t key = connection->query("SELECT MAX(pathKey) FROM Path").field(0).toInt32();
        tmpNodePath->setKey(key);
        tmpNodePath->setName("Path" + keyText(key));
        if (paths_->contains(keyText(key))) throw NumberedError::platform(PlatformErrors::DUPLICATE_KEY);
        if (connection->execute("UPDATE Path SET pathName = ? WHERE pathKey = ?", {tmpNodePath->name(), key}) != 1)
            throw storeError("Path not updated correctly");
        savepoint.commit();
        addPathInMemory(tmpNodePath);
        return tmpNodePath;
    } catch (const std::exception& e) {
        logFailure("Can't insert the path in the database.", e);
    }
    return nullptr;
}

std::shared_ptr<NodePath> DataSet::storePath(const std::shared_ptr<NodePath>& tmpNodePath) {
    const std::string name = tmpNodePath->name();
    const auto points = tmpNodePath->nodes();
    bool inMemory = false;
    try {
        auto connection = database().Connection();
        DbSavepoint whole(*connection, "vek_store_path");
        tmpNodePath->setNodes(std::make_shared<NodeCollection>());
        if (!insertPath(tmpNodePath)) throw storeError("Path not inserted correctly");
        inMemory = true;
        if (!name.empty()) {
            tmpNodePath->setName(name);
            if (connection->execute("UPDATE Path SET pathName = ? WHERE pathKey = ?", {name, tmpNodePath->key()}) != 1)
                throw storeError("Path not updated correctly");
        }
        if (points)
            for (const auto& node : *points)
                if (!insertNode(node, tmpNodePath->key())) throw storeError("Point not inserted correctly");
        whole.commit();
        return tmpNodePath;
    } catch (const std::exception& e) {
        logFailure("Can't store the path in the database.", e);
    }
    if (inMemory) removePathInMemory(tmpNodePath);
    tmpNodePath->setName(name);
    tmpNodePath->setNodes(points);
    return nullptr;
}

bool DataSet::updateNode(const std::shared_ptr<Node>& node, const std::shared_ptr<NodePath>& tmpNodePath) {
    requireObject(node);
    try {
        std::string sets;
        std::vector<DbValue> values;
        auto column = [&](const std::string& name, DbValue value) {
            sets += (sets.empty() ? "" : " ,") + name + " = ?";
            values.push_back(std::move(value));
        };
        for (int16_t i = 1; i <= MAX_MOTORS; ++i)
            if (columns_.p[i]) column("p" + std::to_string(i), node->axis(i));
        if (columns_.orderNumber) column("orderNumber", node->orderNumber());
        if (columns_.speed) column("speed", node->speed());
        if (columns_.acceleration) column("acceleration", node->acceleration());
        if (columns_.mode) column("mode", node->mode());
        column("nodeName", node->name());
        values.emplace_back(node->key());
        if (database().Connection()->execute("UPDATE Node SET " + sets + " WHERE nodeKey = ?", values) != 1)
            throw storeError("Point not updated correctly");
        if (tmpNodePath) tmpNodePath->calculateLength();
        return true;
    } catch (const std::exception& e) {
        logFailure("Can't update the point in the database.", e);
    }
    return false;
}

void DataSet::updatePath(const std::shared_ptr<NodePath>& tmpNodePath, int16_t pathType) {
    try {
        auto connection = database().Connection();
        if (tmpNodePath) {
            if (connection->execute("UPDATE Path SET pathName = ? ,pathType = ? WHERE pathKey = ?",
                                    {tmpNodePath->name(), tmpNodePath->pathType(), tmpNodePath->key()}) != 1)
                throw storeError("Path not updated correctly");
        } else {
            connection->execute("UPDATE Path SET pathType = ?", {pathType});
        }
    } catch (const std::exception& e) {
        logFailure("Can't update the path(s) in the database.", e);
    }
}

void DataSet::deletePath(std::shared_ptr<NodePath> tmpNodePath) {
    requireObject(tmpNodePath);
    try {
        if (!paths_->contains(keyText(tmpNodePath->key())))
            throw NumberedError::platform(PlatformErrors::INVALID_PROCEDURE_CALL);
        auto connection = database().Connection();
        DbSavepoint savepoint(*connection);
        connection->execute("DELETE FROM Node WHERE pathKey = ?", {tmpNodePath->key()});
        if (connection->execute("DELETE FROM Path WHERE pathKey = ?", {tmpNodePath->key()}) != 1)
            throw storeError("Path not deleted correctly");
        savepoint.commit();
        removePathInMemory(tmpNodePath);
    } catch (const std::exception& e) {
        logFailure("Can't delete the path in the database.", e);
    }
}

std::shared_ptr<NodePath> DataSet::getPathByName(const std::string& pathName) const {
    for (const auto& path : *paths_)
        if (path->name() == pathName) return path;
    return nullptr;
}

bool DataSet::isValidPathName(const std::string& pathName) const {
    if (!isValidVariableName(pathName)) return false;
    if (getPathByName(pathName)) return false;
    for (const auto& node : *nodes_)
        if (node->name() == pathName) return false;
    return true;
}

bool DataSet::isValidNodeName(const std::string& nodeName, int32_t pathKey) const {
    if (!isValidVariableName(nodeName)) return false;
    const NodeCollection* points = nodes_.get();
    if (pathKey != 0) {
        const std::string key = keyText(pathKey);
        points = paths_->contains(key) ? paths_->item(key)->nodes().get() : nullptr;
    }
    if (points)
        for (const auto& node : *points)
            if (node->name() == nodeName) return false;
    return !getPathByName(nodeName);
}

bool DataSet::isValidAxisValue(const std::string& axisValue) {
    try {
        toDouble(axisValue);
        return true;
    } catch (const NumberedError&) {
        return false;
    }
}

// NOLINTEND(performance-unnecessary-value-param)

}  // namespace vek
