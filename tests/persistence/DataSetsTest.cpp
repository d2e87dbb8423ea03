#include <functional>

#include "PersistenceTest.h"
#include "support/Each.h"
#include "vek/geometry/Node.h"
#include "vek/geometry/NodePath.h"
#include "vek/persistence/DataSet.h"
#include "vek/persistence/DataSets.h"
#include "vek/persistence/User.h"

namespace vek::test {
namespace {

// Dataset 2 "PartA" holds the polyline "outline" (points 100..102, stored out
// of key order), the arc "circle" and two loose points.
class DataSetsTest : public PersistenceTest {
protected:
    void SetUp() override {
        PersistenceTest::SetUp();
        runtime().user->setUserRole(UserRoles::DEVELOPER);  // developer lines are built (and can fail) too
        ASSERT_EQ(raw("INSERT INTO Dataset (datasetKey, datasetName) VALUES (2, '  PartA '); "
                      "INSERT INTO Path (pathKey, pathName, pathType, datasetKey) VALUES (10, 'outline', 1, 2), "
                      "(11, 'circle', NULL, 2); "
                      "INSERT INTO Node VALUES (101, 'b', 100, 200, 0, 0, 0, 0, 0, 0, 10, 2, 2, 20, 30, 1), "
                      "(100, 'a ', 100, 0, 0, 0, 0, 0, 0, 0, 10, 2, 1, 20, 30, 1), "
                      "(102, 'c', 0, 200, 50, 1, 2, 3, 4, 5, 10, 2, 3, 20, 30, 1); "
                      "INSERT INTO Node (nodeKey, nodeName, p1, p2, p3, pathKey, datasetKey, orderNumber) "
                      "VALUES (200, 'probe', 7, 8, 9, 0, 2, 1), (201, 'tip', 1, 2, 3, 0, 2, 2)"),
                  "");
        sets_ = std::make_shared<DataSets>(runtime().database);
        part_ = sets_->getDatasetByName("PartA");
        ASSERT_TRUE(part_ && (outline_ = part_->getPathByName("outline")));
    }
    void TearDown() override {
        sets_.reset();
        PersistenceTest::TearDown();
    }

    // key:orderNumber of each point in collection order: "100:1,101:2".
    static std::string memoryOrder(const NodeCollection& nodes) {
        std::string s;
        for (const auto& n : nodes)
            s += (s.empty() ? "" : ",") + std::to_string(n->key()) + ":" + std::to_string(n->orderNumber());
        return s;
    }
    // The same of PartA's scope `pathKey` (0: its loose points), when memory
    // and the file agree; otherwise "<memory> but stored <file>".
    std::string order(int64_t pathKey) const {
        const std::string key = std::to_string(pathKey);
        const std::string memory = memoryOrder(pathKey ? *part_->paths()->item(key)->nodes() : *part_->nodes());
        const std::string stored =
            raw("SELECT group_concat(nodeKey || ':' || orderNumber) FROM (SELECT * FROM Node WHERE pathKey = " + key +
                " AND datasetKey = 2 ORDER BY orderNumber)");
        return memory == stored ? memory : memory + " but stored " + stored;
    }
    // Name, axes 1..8, speed/acceleration/mode: "a 100,0,0,0,0,0,0,0 20/30/1".
    static std::string pointText(const Node& n) {
        std::string s = n.name() + " ";
        for (int16_t i = 1; i <= 8; ++i) s += std::to_string(n.axis(i)) + (i < 8 ? "," : " ");
        return s + std::to_string(n.speed()) + "/" + std::to_string(n.acceleration()) + "/" + std::to_string(n.mode());
    }
    static std::shared_ptr<Node> point(int32_t x, const std::string& name = "") {
        auto n = std::make_shared<Node>();
        n->setAxis(1, x);
        n->setName(name);
        return n;
    }
    // What the file holds, the outline's order, and how many datasets and
    // paths of PartA memory holds: "2/2/5 100:1,101:2,102:3 2/2".
    std::string state() const {
        return countsOf(dbPath()) + " " + order(10) + " " + std::to_string(sets_->getDataSets()->count()) + "/" +
               std::to_string(part_->paths()->count());
    }

    std::shared_ptr<DataSets> sets_;
    std::shared_ptr<DataSet> part_;
    std::shared_ptr<NodePath> outline_;
};

TEST_F(DataSetsTest, LoadsEverythingInStoredOrderWithDefaultsForEmptyColumns) {
    EXPECT_EQ(sets_->GLOBAL_DATASET()->name() + " " + part_->name() + " " + std::to_string(part_->key()),
              "Global PartA 2");
    EXPECT_EQ(state() + " " + order(0), "2/2/5 100:1,101:2,102:3 2/2 200:1,201:2");
    EXPECT_EQ(part_->paths()->item("11")->pathType(), PathConstants::LINEAR_PATH);  // null type
    EXPECT_EQ(pointText(*outline_->nodes()->item("100")), "a 100,0,0,0,0,0,0,0 20/30/1");
    EXPECT_EQ(pointText(*outline_->nodes()->item(3)), "c 0,200,50,1,2,3,4,5 20/30/1");
    EXPECT_EQ(pointText(*part_->nodes()->item("200")), "probe 7,8,9,0,0,0,0,0 10/10/0");
    EXPECT_GT(outline_->effectiveLength(), 0.0);
    EXPECT_TRUE(sets_->loadedCompletely());
    // A point of a path that is not there stops the load of points at its row.
    raw("INSERT INTO Node (nodeKey, nodeName, p1, pathKey, datasetKey, orderNumber) VALUES (300, 'lost', 0, 99, 2, 1)");
    DataSets reloaded(runtime().database);
    EXPECT_FALSE(reloaded.loadedCompletely());
    EXPECT_TRUE(loggedStartingWith("Can't load the points from the database.-->"));
    EXPECT_EQ(reloaded.getDatasetByName("PartA")->paths()->count(), 2u);
}

// Inserting at the end or in front of a point and deleting one keep each
// scope numbered 1, 2, 3, ... in memory and in the file, and leave other
// scopes with the same numbers alone; a reload sees the same.
TEST_F(DataSetsTest, InsertingAndDeletingKeepTheOrderGapFree) {
    auto d = part_->insertNode(point(5), 10);
    auto e = part_->insertNode(point(6, "middle"), 10, outline_->nodes()->item("101"));
    ASSERT_TRUE(d && e);
    const std::string D = std::to_string(d->key()), E = std::to_string(e->key());
    EXPECT_EQ(d->name() + " " + raw("SELECT nodeName FROM Node WHERE nodeKey = " + D), "Point" + D + " Point" + D);
    EXPECT_EQ(order(10) + " " + order(0), "100:1," + E + ":2,101:3,102:4," + D + ":5 200:1,201:2");
    auto f = part_->insertNode(point(7), 0, part_->nodes()->item(1));
    ASSERT_TRUE(f);
    const std::string F = std::to_string(f->key());
    EXPECT_EQ(order(0), F + ":1,200:2,201:3");
    EXPECT_EQ(raw("SELECT p1 || ',' || speed || ',' || acceleration || ',' || mode || ',' || p8 FROM Node "
                  "WHERE nodeKey = " +
                  F),
              "7,10,10,0,0");

    part_->deleteNode(outline_->nodes()->item("101"), 10);
    part_->deleteNode(part_->nodes()->item("200"));
    const std::string closed = "100:1," + E + ":2,102:3," + D + ":4";
    EXPECT_EQ(order(10) + " " + order(0), closed + " " + F + ":1,201:2");
    EXPECT_EQ(raw("SELECT count(*) FROM Node WHERE nodeKey IN (101, 200)"), "0");
    auto again = DataSets(runtime().database).getDatasetByName("PartA")->getPathByName("outline");
    EXPECT_EQ(memoryOrder(*again->nodes()) + " " + pointText(*again->nodes()->item(2)),
              closed + " middle 6,0,0,0,0,0,0,0 10/10/0");
}

// Each store whose statement fails logs why and leaves memory and the file
// as they were; so does one that finds its row gone.
TEST_F(DataSetsTest, FailedStatementsLeaveMemoryAndFileAsTheyWere) {
    const std::string before = state();
    struct Case {
        int64_t statement;  // the one that fails
        std::function<bool()> refused;
        std::string logged;
    };
    for (const auto& c : std::vector<Case>{
             // The INSERT, after the savepoint and the shift of the later points.
             {3, [&] { return !part_->insertNode(point(1), 10, outline_->nodes()->item("101")); }, "insert the point"},
             {2, [&] { return !part_->insertPath(std::make_shared<NodePath>()); }, "insert the path"},
             {4, [&] { return part_->deletePath(outline_), !!part_->getPathByName("outline"); }, "delete the path"},
             {4, [&] { return !sets_->deleteDataset(part_); }, "delete the dataset"},
             {1, [&] { return part_->updatePath(), true; }, "update the path(s)"},
             {3, [&] { return !sets_->insertDataset(std::make_shared<DataSet>()); }, "insert the dataset"},
             {1, [&] { return sets_->updateDataset(part_), true; }, "update the dataset"},
         }) {
        SCOPED_TRACE(c.logged);
        db().Connection()->failStatement(c.statement);
        EXPECT_TRUE(c.refused());
        EXPECT_TRUE(loggedAt("Can't " + c.logged + " in the database.-->disk I/O error (injected)", 3));
        EXPECT_EQ(state(), before);
    }
    // A point someone else deleted: the record count is wrong, nothing changes.
    raw("DELETE FROM Node WHERE nodeKey = 101");
    part_->deleteNode(outline_->nodes()->item("101"), 10);
    EXPECT_TRUE(loggedAt("Can't delete the point in the database.-->Point not deleted correctly", 3));
    EXPECT_EQ(order(10), "100:1,101:2,102:3 but stored 100:1,102:3");
    EXPECT_FALSE(part_->updateNode(outline_->nodes()->item("101")));
    EXPECT_TRUE(loggedAt("Can't update the point in the database.-->Point not updated correctly", 3));
}

// A fault at each statement of the store in turn: until every statement
// passes, nothing is stored and memory and the path object are as they were.
TEST_F(DataSetsTest, APathIsStoredWithAllItsPointsOrNotAtAll) {
    const std::string before = state();
    std::shared_ptr<NodePath> p;
    for (int64_t n = 1;; ++n) {
        SCOPED_TRACE("failing statement " + std::to_string(n));
        p = std::make_shared<NodePath>();
        p->setName("square");
        for (int x : {1, 2, 3}) p->addNode(point(x));
        db().Connection()->failStatement(n);
        if (part_->storePath(p)) break;
        EXPECT_TRUE(loggedStartingWith("Can't store the path in the database.-->"));
        EXPECT_EQ(state() + " " + p->name() + " " + std::to_string(p->nodes()->count()), before + " square 3");
        ASSERT_LT(n, 40);
    }
    db().Connection()->failStatement(0);
    const std::string key = std::to_string(p->key());
    EXPECT_EQ(part_->getPathByName("square"), p);
    EXPECT_EQ(raw("SELECT pathName || ',' || pathType || ',' || group_concat(p1 || ':' || orderNumber) FROM Path "
                  "JOIN (SELECT * FROM Node ORDER BY orderNumber) USING (pathKey) WHERE pathKey = " +
                  key),
              "square,1,1:1,2:2,3:3");
    EXPECT_EQ(order(p->key()), memoryOrder(*p->nodes()));
    EXPECT_EQ(p->nodes()->item(3)->name(), "Point" + std::to_string(p->nodes()->item(3)->key()));
}

TEST_F(DataSetsTest, PathsAndPointsAreStoredRenamedRetypedAndDeleted) {
    auto p = std::make_shared<NodePath>();
    p->setName("A");
    p->setPathType(PathConstants::ARC_PATH);
    ASSERT_EQ(part_->insertPath(p), p);
    const std::string key = std::to_string(p->key());
    const std::string path = "SELECT pathName || ',' || pathType || ',' || datasetKey FROM Path WHERE pathKey = " + key;
    EXPECT_EQ(p->name() + " " + raw(path), "Path" + key + " Path" + key + ",2,2");
    EXPECT_EQ(part_->paths()->item(key), p);
    ASSERT_TRUE(part_->insertNode(point(1), p->key()) && part_->insertNode(point(2), p->key()));
    p->setName("it's; DROP TABLE Node; --");
    p->setPathType(PathConstants::INDEPENDENT_PATH);
    part_->updatePath(p, 2);
    EXPECT_EQ(raw(path), "it's; DROP TABLE Node; --,0,2");
    part_->updatePath(nullptr, 2);
    EXPECT_EQ(raw("SELECT group_concat(pathType) FROM Path"), "2,2,2");
    part_->deletePath(p);
    EXPECT_FALSE(part_->paths()->contains(key));
    EXPECT_EQ(raw("SELECT count(*) FROM Path WHERE pathKey = " + key) + " " + countsOf(dbPath()), "0 2/2/5");

    // A changed point: every field written, the path's length recalculated.
    auto b = outline_->nodes()->item("101");
    b->setAxis(1, 0);
    b->setAxis(8, -4);
    b->setSpeed(55);
    b->setMode(3);
    b->setName("b'2");
    const double length = outline_->effectiveLength();
    EXPECT_TRUE(part_->updateNode(b, outline_));
    EXPECT_NE(outline_->effectiveLength(), length);
    EXPECT_EQ(raw("SELECT p1 || ',' || p8 || ',' || speed || ',' || mode || ',' || nodeName FROM Node WHERE "
                  "nodeKey = 101"),
              "0,-4,55,3,b'2");
}

// Names are variable names, compared exactly, and unique where they meet: a
// path's among paths and loose points, a point's within its scope and the paths.
TEST_F(DataSetsTest, NamesMustBeVariableNamesAndUniqueWhereTheyMeet) {
    using NameInScope = std::pair<const char*, int32_t>;
    EXPECT_EQ(each({"contour", "outline", "Outline", "probe", "2nd", "a-b", ""},
                   [&](const char* name) { return part_->isValidPathName(name); }),
              "1|0|1|0|0|0|0");
    EXPECT_EQ(each<NameInScope>({{"a", 10}, {"a", 0}, {"a", 11}, {"tip", 0}, {"circle", 10}, {"x y", 10}},
                                [&](auto c) { return part_->isValidNodeName(c.first, c.second); }),
              "0|1|1|0|0|0");
    EXPECT_EQ(each({"PartB", "PartA", "Part.A"}, [&](const char* name) { return sets_->isValidDatasetName(name); }),
              "1|0|0");
    EXPECT_EQ(each({"12.5", "-3", "12mm", ""}, DataSet::isValidAxisValue), "1|1|0|0");
}

TEST_F(DataSetsTest, BreadCrumbsNamePathsAndLoosePoints) {
    EXPECT_EQ(sets_->getNodesFromBreadCrumb("10path.x.2"), outline_->nodes());
    EXPECT_EQ(sets_->getNodesFromBreadCrumb("5nodes.2"), part_->nodes());
    EXPECT_EQ(sets_->getPathFromBreadCrumb("10path.anything.2"), outline_);
    EXPECT_EQ(sets_->getDatasetFromBreadCrumb("10path.x.2"), part_);
    EXPECT_EQ(sets_->getDatasetFromBreadCrumb("nodes.1"), sets_->GLOBAL_DATASET());
    EXPECT_EQ(sets_->getDatasetFromBreadCrumb("10path.x.2abc"), part_);  // leading number only
    EXPECT_EQ(sets_->getPathFromBreadCrumb("5nodes.2"), nullptr);        // well formed, names no path
    EXPECT_FALSE(loggedStartingWith("BCD"));

    // A breadcrumb of either form whose tokens or keys fail names no points
    // or path and is logged ("logged"); text of neither form names nothing,
    // in all three lookups alike, quietly ("none").
    const auto lookUp = [&](const char* text) {
        clearMessages();
        const bool found = sets_->getNodesFromBreadCrumb(text) || sets_->getPathFromBreadCrumb(text);
        const bool dataset = sets_->getDatasetFromBreadCrumb(text) != nullptr;
        if (loggedAt("BCD program data is not valid. Program can't be loaded.", 3)) return found ? "found" : "logged";
        return found || dataset ? "found" : "none";
    };
    EXPECT_EQ(each({"3path", "10path.x", "99999999999999path.x.2", "10path.x.99999999999999", "xpath.a.b", "10path.x.7",
                    "12path.x.2", "nodes"},
                   lookUp),
              "logged|logged|logged|logged|logged|logged|logged|logged");
    EXPECT_EQ(each({"10Path.x.2", "", "...", "abc", "xnodex.2"}, lookUp), "none|none|none|none|none");
    EXPECT_EQ(sets_->getDatasetFromBreadCrumb("4nodes.-1"), nullptr);
    EXPECT_TRUE(loggedAt("BCD program data is not valid. Program can't be loaded.", 3));
}

TEST_F(DataSetsTest, AppendPathsChainsClonesAndRefusesTheSamePath) {
    auto circle = part_->getPathByName("circle");
    EXPECT_EQ(sets_->AppendPaths(outline_, outline_), nullptr);
    EXPECT_TRUE(loggedAt("outline is duplicate path. Only unique paths can be appended together.", 3));
    EXPECT_EQ(outline_->nextPath(), nullptr);

    auto third = std::make_shared<NodePath>();
    third->setName("third");
    ASSERT_EQ(sets_->AppendPaths(outline_, circle), outline_);
    ASSERT_EQ(sets_->AppendPaths(outline_, third), outline_);
    ASSERT_TRUE(outline_->nextPath() && outline_->nextPath()->nextPath());
    EXPECT_NE(outline_->nextPath(), circle);
    EXPECT_EQ(outline_->nextPath()->name() + " " + outline_->nextPath()->nextPath()->name(), "circle third");
    EXPECT_EQ(circle->nextPath(), nullptr);
    // Two unsaved paths (key 0) are not duplicates of each other.
    EXPECT_EQ(sets_->AppendPaths(third, std::make_shared<NodePath>()), third);
    EXPECT_EQ(sets_->AppendPaths(outline_), outline_);
    EXPECT_EQ(outline_->nextPath(), nullptr);
}

TEST_F(DataSetsTest, DatasetsAreInsertedRenamedAndDeletedWithEverythingInThem) {
    auto fresh = std::make_shared<DataSet>();
    fresh->setName("ignored");
    ASSERT_EQ(sets_->insertDataset(fresh), fresh);
    const std::string key = std::to_string(fresh->key());
    const std::string name = "SELECT datasetName FROM Dataset WHERE datasetKey = " + key;
    EXPECT_EQ(fresh->name() + " " + raw(name), "Dataset" + key + " Dataset" + key);
    EXPECT_EQ(sets_->getDataSets()->item(key), fresh);
    fresh->setName("O'Neil");
    sets_->updateDataset(fresh);
    EXPECT_EQ(raw(name), "O'Neil");

    EXPECT_TRUE(sets_->deleteDataset(part_));
    EXPECT_EQ(sets_->getDatasetByName("PartA"), nullptr);
    EXPECT_EQ(countsOf(dbPath()), "2/0/0");

    raw("DELETE FROM Dataset WHERE datasetKey = 1");
    DataSets reloaded(runtime().database);
    EXPECT_TRUE(raisesNumbered(
        5, [&] { reloaded.GLOBAL_DATASET(); }, "Invalid procedure call or argument"));
    EXPECT_EQ(reloaded.getDatasetByName("O'Neil")->key(), fresh->key());
}

// A null object handed to a store or path operation is the platform's
// missing-object error (91), raised before anything changes.
TEST_F(DataSetsTest, NullObjectsRaise91AndChangeNothing) {
    const std::shared_ptr<DataSet> noDataset;
    const std::shared_ptr<NodePath> noPath;
    const std::shared_ptr<Node> noNode;
    const std::string before = state();
    for (const auto& [name, call] : std::vector<std::pair<const char*, std::function<void()>>>{
             {"insertDataset", [&] { sets_->insertDataset(noDataset); }},
             {"updateDataset", [&] { sets_->updateDataset(noDataset); }},
             {"deleteDataset", [&] { sets_->deleteDataset(noDataset); }},
             {"AppendPaths", [&] { sets_->AppendPaths(noPath, outline_); }},
             {"insertPath", [&] { part_->insertPath(noPath); }},
             {"deletePath", [&] { part_->deletePath(noPath); }},
             {"addPathInMemory", [&] { part_->addPathInMemory(noPath); }},
             {"insertNode", [&] { part_->insertNode(noNode, 10); }},
             {"updateNode", [&] { part_->updateNode(noNode, outline_); }},
             {"deleteNode", [&] { part_->deleteNode(noNode, 10); }},
             {"addNodeInMemory", [&] { part_->addNodeInMemory(10, noNode); }},
             {"NodePath::addNode", [&] { outline_->addNode(noNode); }},
         }) {
        EXPECT_TRUE(raisesNumbered(91, call, "Object variable or With block variable not set")) << name;
        EXPECT_EQ(state(), before) << name;
    }
}

}  // namespace
}  // namespace vek::test
