#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "vek/foundation/Collection.h"
#include "vek/geometry/Node.h"
#include "vek/geometry/NodePath.h"

namespace vek {

class Database;
class DbConnection;

using NodePathCollection = Collection<std::shared_ptr<NodePath>>;

// Which of the columns that later schema versions added to Node and Path a
// file has. A current file has them all; the upgrade steps of an older file
// load and store points before the step that adds the rest, so the dataset
// statements name only the columns that are there (missing ones read as
// their defaults).
struct DatasetColumns {
    bool p[9] = {false, true, true, true, true, true, true, true, true};  // p1..p8 (index 0 unused)
    bool orderNumber = true;
    bool speed = true;
    bool acceleration = true;
    bool mode = true;
    bool pathType = true;

    // Every column present: the layout of a current file.
    static DatasetColumns all() { return {}; }
    // The columns the open file has (one PRAGMA per table).
    static DatasetColumns read(DbConnection& connection);
};

// A named group of points: its own loose points (stored with pathKey 0) and
// its paths. Every insert, update and delete runs its statements first and
// then mirrors them in memory; within each scope (the loose points, or one
// path) orderNumber runs 1, 2, 3, ... without gaps, equal to the position.
//
// Store operations catch their own failures, log them at level Error as
// "<message>--><description>" and return none/false; memory is then left as
// it was (insertNode/insertPath may already have set key, name and
// orderNumber on the object passed in).
class DataSet {
public:
    // Statements run on `database`, or on the process's shared one.
    explicit DataSet(std::shared_ptr<Database> database = {}, DatasetColumns columns = DatasetColumns::all());
    ~DataSet();
    DataSet(const DataSet&) = delete;
    DataSet& operator=(const DataSet&) = delete;

    int32_t key() const { return key_; }
    void setKey(int32_t value) { key_ = value; }
    const std::string& name() const { return name_; }
    void setName(const std::string& value) { name_ = value; }

    // Adds the path under the decimal text of its key (duplicate key: 457).
    void addPathInMemory(const std::shared_ptr<NodePath>& tmpNodePath);
    void removePathInMemory(const std::shared_ptr<NodePath>& tmpNodePath);
    // The loose points, keyed by the text of their key, in orderNumber order.
    const std::shared_ptr<NodeCollection>& nodes() const { return nodes_; }
    // The paths, keyed by the text of their key, in store order.
    const std::shared_ptr<NodePathCollection>& paths() const { return paths_; }

    // Stores `node` at the end of the scope `pathKey` (0: the loose points)
    // or in front of `beforeNode`; sets its key, orderNumber and, when it has
    // none, the name "Point" + key. Returns the node, or null on failure.
    // (Nodes and paths are taken by value: a caller may pass a slot of the
    // very collection that the operation changes.)
    std::shared_ptr<Node> insertNode(std::shared_ptr<Node> node, int32_t pathKey = 0,
                                     std::shared_ptr<Node> beforeNode = nullptr);
    void addNodeInMemory(int32_t pathKey, std::shared_ptr<Node> tmpNode, std::shared_ptr<Node> beforeNode = nullptr);
    // Deletes the stored point and closes the gap in orderNumber.
    void deleteNode(std::shared_ptr<Node> node, int32_t pathKey = 0);
    void removeNodeInMemory(int32_t pathKey, std::shared_ptr<Node> tmpNode);
    // Stores the path (without its nodes: insert those with insertNode and
    // its key) and names it "Path" + key. Null on failure.
    std::shared_ptr<NodePath> insertPath(const std::shared_ptr<NodePath>& tmpNodePath);
    // Stores a new path together with the points it holds, in one
    // transaction: a process killed on the way leaves the whole path or
    // none of it. The path keeps its name ("Path" + key when it has none);
    // its points get keys, orderNumber 1, 2, 3, ... and, when unnamed,
    // "Point" + key. Null on failure, with store and memory as they were.
    std::shared_ptr<NodePath> storePath(const std::shared_ptr<NodePath>& tmpNodePath);
    // Writes axis values, orderNumber, speed, acceleration, mode and name;
    // with a path, recalculates its length afterwards.
    bool updateNode(const std::shared_ptr<Node>& node, const std::shared_ptr<NodePath>& tmpNodePath = nullptr);
    // With a path: writes its name and its own pathType. Without: sets
    // pathType of every stored path to `pathType`.
    void updatePath(const std::shared_ptr<NodePath>& tmpNodePath = nullptr,
                    int16_t pathType = PathConstants::LINEAR_PATH);
    void deletePath(std::shared_ptr<NodePath> tmpNodePath);
    std::shared_ptr<NodePath> getPathByName(const std::string& pathName) const;

    // Name rules; names compare exactly (case-sensitive).
    bool isValidPathName(const std::string& pathName) const;
    bool isValidNodeName(const std::string& nodeName, int32_t pathKey = 0) const;
    static bool isValidAxisValue(const std::string& axisValue);

    const DatasetColumns& columns() const { return columns_; }
    // Library-internal: a dataset that joins a DataSets stores through its
    // database from then on.
    void setDatabase(std::shared_ptr<Database> database) { database_ = std::move(database); }

private:
    Database& database() const;
    // The points of scope `pathKey`: the loose points, or the path's nodes
    // (error 5 when the dataset has no such path).
    NodeCollection* scope(int32_t pathKey) const;
    static void renumberFrom(NodeCollection& scope, std::size_t fromPosition);

    std::shared_ptr<Database> database_;
    DatasetColumns columns_;
    int32_t key_ = 0;
    std::string name_;
    std::shared_ptr<NodeCollection> nodes_ = std::make_shared<NodeCollection>();
    std::shared_ptr<NodePathCollection> paths_ = std::make_shared<NodePathCollection>();
};

}  // namespace vek
