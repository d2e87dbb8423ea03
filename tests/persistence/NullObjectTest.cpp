// A null object handed to a store or path operation is the platform's
// missing-object error (91), raised before anything changes.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PersistenceTest.h"
#include "support/Expect.h"
#include "vek/geometry/Node.h"
#include "vek/geometry/NodePath.h"
#include "vek/persistence/DataSet.h"
#include "vek/persistence/DataSets.h"

namespace vek::test {
namespace {

using NullObjectTest = PersistenceTest;

TEST_F(NullObjectTest, EveryEntryPointRaises91AndChangesNothing) {
    DataSets sets(runtime().database);
    auto global = sets.GLOBAL_DATASET();
    auto path = std::make_shared<NodePath>();
    path->setPathType(PathConstants::LINEAR_PATH);
    ASSERT_TRUE(global->insertPath(path));
    ASSERT_TRUE(global->insertNode(std::make_shared<Node>(), path->key()));

    const std::shared_ptr<DataSet> noDataset;
    const std::shared_ptr<NodePath> noPath;
    const std::shared_ptr<Node> noNode;
    const std::vector<std::pair<const char*, std::function<void()>>> calls{
        {"insertDataset", [&] { sets.insertDataset(noDataset); }},
        {"updateDataset", [&] { sets.updateDataset(noDataset); }},
        {"deleteDataset", [&] { sets.deleteDataset(noDataset); }},
        {"AppendPaths", [&] { sets.AppendPaths(noPath, path); }},
        {"insertPath", [&] { global->insertPath(noPath); }},
        {"deletePath", [&] { global->deletePath(noPath); }},
        {"addPathInMemory", [&] { global->addPathInMemory(noPath); }},
        {"insertNode", [&] { global->insertNode(noNode, path->key()); }},
        {"updateNode", [&] { global->updateNode(noNode, path); }},
        {"deleteNode", [&] { global->deleteNode(noNode, path->key()); }},
        {"addNodeInMemory", [&] { global->addNodeInMemory(path->key(), noNode); }},
        {"NodePath::addNode", [&] { path->addNode(noNode); }},
    };
    const auto stored = [&] {
        return raw(
            "SELECT (SELECT count(*) FROM Dataset) || '/' || (SELECT count(*) FROM Path) || '/' || "
            "(SELECT count(*) FROM Node)");
    };
    const std::string before = stored();
    for (const auto& [name, call] : calls) {
        EXPECT_TRUE(raisesNumbered(91, call, "Object variable or With block variable not set")) << name;
        EXPECT_EQ(stored(), before) << name;
        EXPECT_EQ(sets.getDataSets()->count(), 1u) << name;
        EXPECT_EQ(global->paths()->count(), 1u) << name;
        EXPECT_EQ(path->size(), 1) << name;
    }
}

}  // namespace
}  // namespace vek::test
