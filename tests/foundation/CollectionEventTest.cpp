#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vek/foundation/Collection.h"
#include "vek/foundation/Event.h"

namespace vek {
namespace {

int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const NumberedError& e) {
        return e.number();
    }
    return 0;
}

TEST(Collection, PositionsAreOneBasedAndKeysIgnoreCase) {
    Collection<int> c;
    c.add(10, "X");
    c.add(20, "y");
    c.add(30);
    EXPECT_EQ(c.count(), 3u);
    EXPECT_EQ(c.item(1), 10);
    EXPECT_EQ(c.item(3), 30);
    EXPECT_EQ(c.item("x"), 10);
    EXPECT_EQ(c.item("Y"), 20);
    EXPECT_TRUE(c.contains("x"));
    EXPECT_FALSE(c.contains(""));
    EXPECT_EQ(c.positionOf("Y"), 2u);
}

TEST(Collection, FailuresCarryTheClassicNumbers) {
    Collection<int> c;
    c.add(1, "a");
    EXPECT_EQ(errorOf([&] { c.item("b"); }), 5);
    EXPECT_EQ(errorOf([&] { c.item(0); }), 9);
    EXPECT_EQ(errorOf([&] { c.item(2); }), 9);
    EXPECT_EQ(errorOf([&] { c.add(2, "A"); }), 457);
    EXPECT_EQ(errorOf([&] { c.add(2, "b", 5); }), 9);
    EXPECT_EQ(errorOf([&] { c.remove("zz"); }), 5);
    EXPECT_EQ(c.count(), 1u);  // failed adds leave nothing behind
}

TEST(Collection, KeysFollowItemsThroughInsertsAndRemovals) {
    Collection<std::string> c;
    for (int i = 1; i <= 5; ++i) c.add("v" + std::to_string(i), "k" + std::to_string(i));
    c.add("front", "kf", 1);
    EXPECT_EQ(c.item(1), "front");
    EXPECT_EQ(c.item("k1"), "v1");
    EXPECT_EQ(c.positionOf("k5"), 6u);
    c.remove(3);  // v2
    EXPECT_FALSE(c.contains("k2"));
    EXPECT_EQ(c.positionOf("k3"), 3u);
    c.remove("k5");  // the last one
    EXPECT_FALSE(c.contains("k5"));
    c.add("again", "k5");
    EXPECT_EQ(c.positionOf("k5"), 5u);
    std::vector<std::string> order(c.begin(), c.end());
    EXPECT_EQ(order, (std::vector<std::string>{"front", "v1", "v3", "v4", "again"}));
}

TEST(Event, HandlersRunInConnectionOrderWithArgumentsByReference) {
    Event<std::string, int16_t> e;
    std::vector<std::string> seen;
    e.connect([&](std::string& m, int16_t& l) {
        seen.push_back("first " + m);
        l = 9;
    });
    e.connect([&](std::string& m, int16_t& l) { seen.push_back("second " + m + " " + std::to_string(l)); });
    std::string m = "hi";
    int16_t l = 1;
    e.raise(m, l);
    EXPECT_EQ(seen, (std::vector<std::string>{"first hi", "second hi 9"}));
    EXPECT_EQ(l, 9);
}

TEST(Event, DisconnectingInsideAHandlerTakesEffectNextTime) {
    Event<int> e;
    int calls = 0;
    Connection second;
    e.connect([&](int&) {
        ++calls;
        second.disconnect();
    });
    second = e.connect([&](int&) { ++calls; });
    int v = 0;
    e.raise(v);
    EXPECT_EQ(calls, 2);
    e.raise(v);
    EXPECT_EQ(calls, 3);
    EXPECT_FALSE(second.connected());
}

}  // namespace
}  // namespace vek
