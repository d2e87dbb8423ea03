#include <memory>
#include <string>
#include <vector>

#include "PersistenceTest.h"
#include "vek/foundation/NumberedError.h"
#include "vek/geometry/Node.h"
#include "vek/geometry/NodePath.h"
#include "vek/persistence/DataSet.h"
#include "vek/persistence/DataSets.h"
#include "vek/persistence/DbConnection.h"
#include "vek/persistence/User.h"

namespace vek::test {
namespace {

// Dataset 2 "PartA" holds the polyline "outline" (points 100..102, stored out
// of key order), the arc "circle" and two loose points.
class DataSetsTest : public PersistenceTest {
protected:
    void SetUp() override {
        PersistenceTest::SetUp();
        // Developer detail (level 6) is logged only for developer users.
        runtime().user->setUserRole(UserRoles::DEVELOPER);
        for (const char* sql : {
                 "INSERT INTO Dataset (datasetKey, datasetName) VALUES (2, '  PartA ')",
                 "INSERT INTO Path (pathKey, pathName, pathType, datasetKey) VALUES (10, 'outline', 1, 2)",
                 "INSERT INTO Path (pathKey, pathName, pathType, datasetKey) VALUES (11, 'circle', NULL, 2)",
                 "INSERT INTO Node VALUES (101, 'b', 100, 200, 0, 0, 0, 0, 0, 0, 10, 2, 2, 20, 30, 1)",
                 "INSERT INTO Node VALUES (100, 'a ', 100, 0, 0, 0, 0, 0, 0, 0, 10, 2, 1, 20, 30, 1)",
                 "INSERT INTO Node VALUES (102, 'c', 0, 200, 50, 1, 2, 3, 4, 5, 10, 2, 3, 20, 30, 1)",
                 "INSERT INTO Node (nodeKey, nodeName, p1, p2, p3, pathKey, datasetKey, orderNumber) "
                 "VALUES (200, 'probe', 7, 8, 9, 0, 2, 1)",
                 "INSERT INTO Node (nodeKey, nodeName, p1, p2, p3, pathKey, datasetKey, orderNumber) "
                 "VALUES (201, 'tip', 1, 2, 3, 0, 2, 2)",
             })
            ASSERT_EQ(raw(sql), "") << sql;
        sets_ = std::make_shared<DataSets>(runtime().database);
        part_ = sets_->getDatasetByName("PartA");
        ASSERT_TRUE(part_);
        outline_ = part_->getPathByName("outline");
        ASSERT_TRUE(outline_);
    }
    void TearDown() override {
        sets_.reset();
        PersistenceTest::TearDown();
    }

    // orderNumber of each point of a scope, as stored, in key order.
    std::string storedOrder(int pathKey, int datasetKey = 2) const {
        return raw("SELECT group_concat(nodeKey || ':' || orderNumber) FROM (SELECT * FROM Node WHERE pathKey = " +
                   std::to_string(pathKey) + " AND datasetKey = " + std::to_string(datasetKey) +
                   " ORDER BY orderNumber)");
    }
    // The same from memory, in collection order.
    static std::string memoryOrder(const NodeCollection& nodes) {
        std::string s;
        for (const auto& n : nodes)
            s += (s.empty() ? "" : ",") + std::to_string(n->key()) + ":" + std::to_string(n->orderNumber());
        return s;
    }
    static std::shared_ptr<Node> point(int32_t x, const std::string& name = "") {
        auto n = std::make_shared<Node>();
        n->setAxis(1, x);
        n->setName(name);
        return n;
    }

    std::shared_ptr<DataSets> sets_;
    std::shared_ptr<DataSet> part_;
    std::shared_ptr<NodePath> outline_;
};

TEST_F(DataSetsTest, LoadsEverythingInStoredOrderWithDefaultsForEmptyColumns) {
    EXPECT_EQ(sets_->getDataSets()->count(), 2u);
    EXPECT_EQ(sets_->GLOBAL_DATASET()->name(), "Global");
    EXPECT_EQ(part_->key(), 2);
    EXPECT_EQ(part_->paths()->count(), 2u);
    EXPECT_EQ(part_->paths()->item("11")->pathType(), PathConstants::LINEAR_PATH);  // null type
    EXPECT_EQ(memoryOrder(*outline_->nodes()), "100:1,101:2,102:3");
    const auto& a = outline_->nodes()->item("100");
    EXPECT_EQ(a->name(), "a");
    EXPECT_EQ(a->speed(), 20);
    EXPECT_EQ(a->acceleration(), 30);
    EXPECT_EQ(a->mode(), 1);
    const auto& c = outline_->nodes()->item(3);
    for (int16_t i = 1; i <= 8; ++i) EXPECT_EQ(c->axis(i), std::vector<int>({0, 200, 50, 1, 2, 3, 4, 5})[i - 1]);
    EXPECT_GT(outline_->effectiveLength(), 0.0);
    const auto& probe = part_->nodes()->item("200");
    EXPECT_EQ(probe->axis(3), 9);
    EXPECT_EQ(probe->axis(8), 0);
    EXPECT_EQ(probe->speed(), 10);
    EXPECT_EQ(probe->acceleration(), 10);
    EXPECT_EQ(probe->mode(), 0);
    EXPECT_TRUE(sets_->loadedCompletely());
    for (const char* m : {"Initializing datasets", "Loading datasets", "Loading paths", "Loading nodes"})
        EXPECT_TRUE(loggedAt(m, 6)) << m;
}

TEST_F(DataSetsTest, InsertingAtTheEndAndInFrontKeepsTheOrderGapFree) {
    auto d = part_->insertNode(point(5), 10);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->orderNumber(), 4);
    EXPECT_EQ(d->name(), "Point" + std::to_string(d->key()));
    EXPECT_EQ(raw("SELECT nodeName FROM Node WHERE nodeKey = " + std::to_string(d->key())), d->name());

    auto e = part_->insertNode(point(6, "middle"), 10, outline_->nodes()->item("101"));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->name(), "middle");
    EXPECT_EQ(e->orderNumber(), 2);
    const std::string expected =
        "100:1," + std::to_string(e->key()) + ":2,101:3,102:4," + std::to_string(d->key()) + ":5";
    EXPECT_EQ(memoryOrder(*outline_->nodes()), expected);
    EXPECT_EQ(storedOrder(10), expected);
    // Other scopes with the same order numbers are left alone.
    EXPECT_EQ(storedOrder(0), "200:1,201:2");

    auto f = part_->insertNode(point(7), 0, part_->nodes()->item(1));
    ASSERT_TRUE(f);
    EXPECT_EQ(memoryOrder(*part_->nodes()), std::to_string(f->key()) + ":1,200:2,201:3");
    EXPECT_EQ(storedOrder(0), memoryOrder(*part_->nodes()));
    EXPECT_EQ(raw("SELECT p1 || ',' || speed || ',' || acceleration || ',' || mode || ',' || p8 FROM Node "
                  "WHERE nodeKey = " +
                  std::to_string(f->key())),
              "7,10,10,0,0");
}

TEST_F(DataSetsTest, DeletingInTheMiddleClosesTheGap) {
    auto last = part_->insertNode(point(1), 10);
    ASSERT_TRUE(last);
    part_->deleteNode(outline_->nodes()->item("101"), 10);
    const std::string expected = "100:1,102:2," + std::to_string(last->key()) + ":3";
    EXPECT_EQ(memoryOrder(*outline_->nodes()), expected);
    EXPECT_EQ(storedOrder(10), expected);
    EXPECT_EQ(raw("SELECT count(*) FROM Node WHERE nodeKey = 101"), "0");

    part_->deleteNode(part_->nodes()->item("200"));
    EXPECT_EQ(memoryOrder(*part_->nodes()), "201:1");
    EXPECT_EQ(storedOrder(0), "201:1");
}

TEST_F(DataSetsTest, FailedStatementsLeaveMemoryAndFileAsTheyWere) {
    const std::string before = memoryOrder(*outline_->nodes());
    const std::string nodes = raw("SELECT count(*) FROM Node");
    // The INSERT (after the savepoint and the shift of the later points) fails.
    db().Connection()->failStatement(3);
    EXPECT_FALSE(part_->insertNode(point(1), 10, outline_->nodes()->item("101")));
    EXPECT_TRUE(loggedAt("Can't insert the point in the database.-->disk I/O error (injected)", 3));
    EXPECT_EQ(memoryOrder(*outline_->nodes()), before);
    EXPECT_EQ(storedOrder(10), before);
    EXPECT_EQ(raw("SELECT count(*) FROM Node"), nodes);

    // A point someone else deleted: the record count is wrong, nothing changes.
    raw("DELETE FROM Node WHERE nodeKey = 101");
    part_->deleteNode(outline_->nodes()->item("101"), 10);
    EXPECT_TRUE(loggedAt("Can't delete the point in the database.-->Point not deleted correctly", 3));
    EXPECT_EQ(memoryOrder(*outline_->nodes()), before);
    EXPECT_EQ(storedOrder(10), "100:1,102:3");

    EXPECT_FALSE(part_->updateNode(outline_->nodes()->item("101")));
    EXPECT_TRUE(loggedAt("Can't update the point in the database.-->Point not updated correctly", 3));

    db().Connection()->failStatement(2);
    EXPECT_FALSE(part_->insertPath(std::make_shared<NodePath>()));
    EXPECT_TRUE(loggedAt("Can't insert the path in the database.-->disk I/O error (injected)", 3));
    EXPECT_EQ(part_->paths()->count(), 2u);
    EXPECT_EQ(raw("SELECT count(*) FROM Path"), "2");

    db().Connection()->failStatement(4);
    part_->deletePath(outline_);
    EXPECT_TRUE(loggedAt("Can't delete the path in the database.-->disk I/O error (injected)", 3));
    EXPECT_TRUE(part_->getPathByName("outline"));
    EXPECT_EQ(raw("SELECT count(*) FROM Node WHERE pathKey = 10"), "2");

    db().Connection()->failStatement(4);
    EXPECT_FALSE(sets_->deleteDataset(part_));
    EXPECT_TRUE(loggedAt("Can't delete the dataset in the database.-->disk I/O error (injected)", 3));
    EXPECT_EQ(raw("SELECT count(*) FROM Node WHERE datasetKey = 2"), "4");
    EXPECT_EQ(sets_->getDataSets()->count(), 2u);

    db().Connection()->failStatement(1);
    part_->updatePath();
    EXPECT_TRUE(loggedAt("Can't update the path(s) in the database.-->disk I/O error (injected)", 3));
    db().Connection()->failStatement(3);
    EXPECT_FALSE(sets_->insertDataset(std::make_shared<DataSet>()));
    EXPECT_TRUE(loggedAt("Can't insert the dataset in the database.-->disk I/O error (injected)", 3));
    EXPECT_EQ(raw("SELECT count(*) FROM Dataset"), "2");
    db().Connection()->failStatement(1);
    sets_->updateDataset(part_);
    EXPECT_TRUE(loggedAt("Can't update the dataset in the database.-->disk I/O error (injected)", 3));
}

TEST_F(DataSetsTest, PathsAreStoredRenamedRetypedAndDeletedWithTheirPoints) {
    auto p = std::make_shared<NodePath>();
    p->setName("A");
    p->setPathType(PathConstants::ARC_PATH);
    ASSERT_EQ(part_->insertPath(p), p);
    const std::string key = std::to_string(p->key());
    EXPECT_EQ(p->name(), "Path" + key);
    EXPECT_EQ(raw("SELECT pathName || ',' || pathType || ',' || datasetKey FROM Path WHERE pathKey = " + key),
              "Path" + key + ",2,2");
    EXPECT_EQ(part_->paths()->item(key), p);
    ASSERT_TRUE(part_->insertNode(point(1), p->key()));
    ASSERT_TRUE(part_->insertNode(point(2), p->key()));

    p->setName("it's; DROP TABLE Node; --");
    p->setPathType(PathConstants::INDEPENDENT_PATH);
    part_->updatePath(p, 2);
    EXPECT_EQ(raw("SELECT pathName || ',' || pathType FROM Path WHERE pathKey = " + key),
              "it's; DROP TABLE Node; --,0");

    part_->updatePath(nullptr, 2);
    EXPECT_EQ(raw("SELECT group_concat(pathType) FROM Path"), "2,2,2");

    part_->deletePath(p);
    EXPECT_FALSE(part_->paths()->contains(key));
    EXPECT_EQ(raw("SELECT count(*) FROM Path WHERE pathKey = " + key), "0");
    EXPECT_EQ(raw("SELECT count(*) FROM Node WHERE pathKey = " + key), "0");
    EXPECT_EQ(raw("SELECT count(*) FROM Node"), "5");
}

// A fault at each statement of the store in turn: until every statement
// passes, nothing is stored and memory and the path object are as they were.
TEST_F(DataSetsTest, APathIsStoredWithAllItsPointsOrNotAtAll) {
    const std::string paths = raw("SELECT count(*) FROM Path"), nodes = raw("SELECT count(*) FROM Node");
    std::shared_ptr<NodePath> p;
    for (int64_t n = 1;; ++n) {
        SCOPED_TRACE("failing statement " + std::to_string(n));
        p = std::make_shared<NodePath>();
        p->setName("square");
        for (int x : {1, 2, 3}) p->addNode(point(x));
        db().Connection()->failStatement(n);
        if (part_->storePath(p)) break;
        EXPECT_TRUE(loggedStartingWith("Can't store the path in the database.-->"));
        EXPECT_EQ(raw("SELECT count(*) FROM Path"), paths);
        EXPECT_EQ(raw("SELECT count(*) FROM Node"), nodes);
        EXPECT_EQ(part_->paths()->count(), 2u);
        EXPECT_EQ(p->name(), "square");
        EXPECT_EQ(p->nodes()->count(), 3u);
        ASSERT_LT(n, 40);
    }
    db().Connection()->failStatement(0);
    const std::string key = std::to_string(p->key());
    EXPECT_EQ(raw("SELECT pathName || ',' || pathType FROM Path WHERE pathKey = " + key), "square,1");
    EXPECT_EQ(storedOrder(p->key()), memoryOrder(*p->nodes()));
    EXPECT_EQ(raw("SELECT group_concat(p1 || ':' || orderNumber) FROM (SELECT * FROM Node WHERE pathKey = " + key +
                  " ORDER BY orderNumber)"),
              "1:1,2:2,3:3");
    EXPECT_EQ(part_->getPathByName("square"), p);
    EXPECT_EQ(p->nodes()->item(3)->name(), "Point" + std::to_string(p->nodes()->item(3)->key()));
}

TEST_F(DataSetsTest, UpdateNodeWritesEveryFieldAndRecalculatesThePath) {
    auto b = outline_->nodes()->item("101");
    b->setAxis(1, 0);
    b->setAxis(8, -4);
    b->setSpeed(55);
    b->setMode(3);
    b->setName("b'2");
    const double before = outline_->effectiveLength();
    EXPECT_TRUE(part_->updateNode(b, outline_));
    EXPECT_NE(outline_->effectiveLength(), before);
    EXPECT_EQ(raw("SELECT p1 || ',' || p8 || ',' || speed || ',' || mode || ',' || nodeName FROM Node WHERE "
                  "nodeKey = 101"),
              "0,-4,55,3,b'2");
}

TEST_F(DataSetsTest, NamesMustBeVariableNamesAndUniqueWhereTheyMeet) {
    EXPECT_TRUE(part_->isValidPathName("contour"));
    EXPECT_FALSE(part_->isValidPathName("outline"));
    EXPECT_TRUE(part_->isValidPathName("Outline"));  // exact comparison
    EXPECT_FALSE(part_->isValidPathName("probe"));   // a loose point's name
    EXPECT_FALSE(part_->isValidPathName("2nd"));
    EXPECT_FALSE(part_->isValidPathName("a-b"));
    EXPECT_FALSE(part_->isValidPathName(""));

    EXPECT_FALSE(part_->isValidNodeName("a", 10));
    EXPECT_TRUE(part_->isValidNodeName("a", 0));
    EXPECT_TRUE(part_->isValidNodeName("a", 11));
    EXPECT_FALSE(part_->isValidNodeName("tip", 0));
    EXPECT_FALSE(part_->isValidNodeName("circle", 10));  // a path's name
    EXPECT_FALSE(part_->isValidNodeName("x y", 10));

    EXPECT_TRUE(sets_->isValidDatasetName("PartB"));
    EXPECT_FALSE(sets_->isValidDatasetName("PartA"));
    EXPECT_FALSE(sets_->isValidDatasetName("Part.A"));

    EXPECT_TRUE(DataSet::isValidAxisValue("12.5"));
    EXPECT_TRUE(DataSet::isValidAxisValue("-3"));
    EXPECT_FALSE(DataSet::isValidAxisValue("12mm"));
    EXPECT_FALSE(DataSet::isValidAxisValue(""));
}

TEST_F(DataSetsTest, BreadCrumbsNamePathsAndLoosePoints) {
    EXPECT_EQ(sets_->getNodesFromBreadCrumb("10path.x.2"), outline_->nodes());
    EXPECT_EQ(sets_->getNodesFromBreadCrumb("5nodes.2"), part_->nodes());
    EXPECT_EQ(sets_->getPathFromBreadCrumb("10path.anything.2"), outline_);
    EXPECT_EQ(sets_->getDatasetFromBreadCrumb("10path.x.2"), part_);
    EXPECT_EQ(sets_->getDatasetFromBreadCrumb("nodes.1"), sets_->GLOBAL_DATASET());
    EXPECT_EQ(sets_->getDatasetFromBreadCrumb("10path.x.2abc"), part_);  // leading number only
    EXPECT_FALSE(loggedStartingWith("BCD"));
    EXPECT_EQ(sets_->getPathFromBreadCrumb("5nodes.2"), nullptr);  // well formed, names no path
    EXPECT_FALSE(loggedStartingWith("BCD"));

    // A breadcrumb of either form whose tokens or keys fail is logged; text
    // of neither form names nothing, in all three lookups alike, quietly.
    for (const auto& [text, logs] : std::vector<std::pair<const char*, bool>>{{"3path", true},
                                                                              {"10path.x", true},
                                                                              {"99999999999999path.x.2", true},
                                                                              {"10path.x.99999999999999", true},
                                                                              {"xpath.a.b", true},
                                                                              {"10path.x.7", true},
                                                                              {"12path.x.2", true},
                                                                              {"nodes", true},
                                                                              {"10Path.x.2", false},
                                                                              {"", false},
                                                                              {"...", false},
                                                                              {"abc", false},
                                                                              {"xnodex.2", false}}) {
        SCOPED_TRACE(text);
        clearMessages();
        EXPECT_EQ(sets_->getNodesFromBreadCrumb(text), nullptr);
        EXPECT_EQ(sets_->getPathFromBreadCrumb(text), nullptr);
        if (!logs) EXPECT_EQ(sets_->getDatasetFromBreadCrumb(text), nullptr);
        EXPECT_EQ(loggedAt("BCD program data is not valid. Program can't be loaded.", 3), logs);
    }
    clearMessages();
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
    ASSERT_TRUE(outline_->nextPath());
    EXPECT_NE(outline_->nextPath(), circle);
    EXPECT_EQ(outline_->nextPath()->name(), "circle");
    ASSERT_TRUE(outline_->nextPath()->nextPath());
    EXPECT_EQ(outline_->nextPath()->nextPath()->name(), "third");
    EXPECT_EQ(circle->nextPath(), nullptr);
    EXPECT_TRUE(loggedAt("Appended path = outline -> circle -> third", 6));
    // Two unsaved paths (key 0) are not duplicates of each other.
    auto unsaved = std::make_shared<NodePath>();
    EXPECT_EQ(sets_->AppendPaths(third, unsaved), third);

    EXPECT_EQ(sets_->AppendPaths(outline_), outline_);
    EXPECT_EQ(outline_->nextPath(), nullptr);
}

TEST_F(DataSetsTest, DatasetsAreInsertedRenamedAndDeletedWithEverythingInThem) {
    auto fresh = std::make_shared<DataSet>();
    fresh->setName("ignored");
    ASSERT_EQ(sets_->insertDataset(fresh), fresh);
    EXPECT_EQ(fresh->name(), "Dataset" + std::to_string(fresh->key()));
    EXPECT_EQ(sets_->getDataSets()->item(std::to_string(fresh->key())), fresh);
    EXPECT_EQ(raw("SELECT datasetName FROM Dataset WHERE datasetKey = " + std::to_string(fresh->key())), fresh->name());
    fresh->setName("O'Neil");
    sets_->updateDataset(fresh);
    EXPECT_EQ(raw("SELECT datasetName FROM Dataset WHERE datasetKey = " + std::to_string(fresh->key())), "O'Neil");

    EXPECT_TRUE(sets_->deleteDataset(part_));
    EXPECT_EQ(sets_->getDatasetByName("PartA"), nullptr);
    EXPECT_EQ(raw("SELECT count(*) FROM Node WHERE datasetKey = 2"), "0");
    EXPECT_EQ(raw("SELECT count(*) FROM Path WHERE datasetKey = 2"), "0");
    EXPECT_EQ(raw("SELECT count(*) FROM Dataset"), "2");

    raw("DELETE FROM Dataset WHERE datasetKey = 1");
    DataSets reloaded(runtime().database);
    EXPECT_THROW(reloaded.GLOBAL_DATASET(), NumberedError);
    EXPECT_EQ(reloaded.getDatasetByName("O'Neil")->key(), fresh->key());
}

TEST_F(DataSetsTest, AReloadSeesWhatWasStored) {
    auto p = part_->insertPath(std::make_shared<NodePath>());
    ASSERT_TRUE(p);
    for (int x : {1, 2, 3}) ASSERT_TRUE(part_->insertNode(point(x * 100), p->key()));
    ASSERT_TRUE(part_->insertNode(point(150, "between"), p->key(), p->nodes()->item(2)));
    DataSets reloaded(runtime().database);
    auto again = reloaded.getDatasetByName("PartA")->paths()->item(std::to_string(p->key()));
    EXPECT_EQ(memoryOrder(*again->nodes()), memoryOrder(*p->nodes()));
    EXPECT_EQ(again->nodes()->item(2)->name(), "between");
    EXPECT_EQ(again->nodes()->item(2)->axis(1), 150);
}

TEST_F(DataSetsTest, AnOrphanPointStopsTheLoadOfPointsAtThatRow) {
    raw("INSERT INTO Node (nodeKey, nodeName, p1, pathKey, datasetKey, orderNumber) VALUES (300, 'lost', 0, 99, 2, 1)");
    clearMessages();
    DataSets reloaded(runtime().database);
    EXPECT_FALSE(reloaded.loadedCompletely());
    EXPECT_TRUE(loggedStartingWith("Can't load the points from the database.-->"));
    EXPECT_EQ(reloaded.getDatasetByName("PartA")->paths()->count(), 2u);
}

}  // namespace
}  // namespace vek::test
