#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/Expect.h"
#include "vek/foundation/Collection.h"
#include "vek/foundation/Event.h"

namespace vek {
namespace {

using test::raisesNumbered;

TEST(Collection, PositionsAreOneBasedKeysIgnoreCaseAndFailuresCarryTheClassicNumbers) {
    Collection<int> c;
    c.add(10, "X");
    c.add(20, "y");
    c.add(30);
    EXPECT_EQ(c.item(1), 10);
    EXPECT_EQ(c.item(3), 30);
    EXPECT_EQ(c.item("x"), 10);
    EXPECT_EQ(c.item("Y"), 20);
    EXPECT_TRUE(c.contains("x"));
    EXPECT_FALSE(c.contains(""));
    EXPECT_EQ(c.positionOf("Y"), 2u);
    EXPECT_TRUE(raisesNumbered(5, [&] { c.item("b"); }));
    EXPECT_TRUE(raisesNumbered(9, [&] { c.item(0); }));
    EXPECT_TRUE(raisesNumbered(9, [&] { c.item(4); }));
    EXPECT_TRUE(raisesNumbered(457, [&] { c.add(2, "x"); }));
    EXPECT_TRUE(raisesNumbered(9, [&] { c.add(2, "b", 5); }));
    EXPECT_TRUE(raisesNumbered(5, [&] { c.remove("zz"); }));
    const Collection<int>& view = c;  // failed adds leave nothing behind
    EXPECT_EQ(std::vector<int>(view.begin(), view.end()), (std::vector<int>{10, 20, 30}));
}

// Random appends, inserts in front of a position and removals by position or
// by key, checked against a plain list: values keep their order, every key
// stays findable at its position in any letter case, removed ones are gone,
// duplicates are refused.
TEST(Collection, KeyIndexAgreesWithAPlainListUnderRandomEdits) {
    Collection<int> c;
    std::vector<std::pair<std::string, int>> model;  // key ("" for none) and value by position
    std::mt19937 rng(7);
    auto keyOf = [](int n) { return "Key" + std::to_string(n); };
    int next = 0;
    for (int step = 0; step < 20000; ++step) {
        const int action = static_cast<int>(rng() % 10);
        const std::size_t at = model.empty() ? 0 : 1 + rng() % model.size();
        if (action < 5 || model.empty()) {
            const std::string key = rng() % 8 == 0 ? std::string() : keyOf(next);
            c.add(next, key);
            model.emplace_back(key, next++);
        } else if (action < 6) {
            c.add(next, keyOf(next), at);
            model.emplace(model.begin() + static_cast<std::ptrdiff_t>(at - 1), keyOf(next), next);
            ++next;
        } else {
            const std::size_t gone = action < 8 ? model.size() : at;
            const std::string& key = model[gone - 1].first;
            if (action == 9 && !key.empty()) {
                c.remove(key);
            } else {
                c.remove(gone);
            }
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(gone - 1));
        }
        if (step % 97 != 0) continue;
        ASSERT_EQ(c.count(), model.size());
        for (std::size_t i = 0; i < model.size(); ++i) {
            ASSERT_EQ(c.item(i + 1), model[i].second) << "step " << step;
            std::string upper = model[i].first;
            for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            if (!upper.empty()) ASSERT_EQ(c.positionOf(upper), i + 1) << "step " << step;
        }
        ASSERT_FALSE(c.contains(keyOf(next)));
        if (!model.back().first.empty()) ASSERT_TRUE(raisesNumbered(457, [&] { c.add(0, model.back().first); }));
    }
    // Removed keys are gone, whatever happened to the table around them.
    std::set<std::string> kept;
    for (const auto& [key, value] : model) kept.insert(key);
    for (int n = 0; n < next; ++n) ASSERT_EQ(c.contains(keyOf(n)), kept.count(keyOf(n)) == 1) << n;
}

// Handlers run in connection order with the arguments by reference; one
// disconnected inside a handler still runs this time, not the next.
TEST(Event, HandlersRunInOrderWithArgumentsByReferenceUntilDisconnected) {
    Event<std::string, int16_t> e;
    std::string seen;
    Connection second;
    e.connect([&](std::string& m, int16_t& l) {
        seen += "first " + m + "; ";
        l = 9;
        second.disconnect();
    });
    second = e.connect([&](std::string& m, int16_t& l) { seen += "second " + m + " " + std::to_string(l) + "; "; });
    std::string m = "hi";
    int16_t l = 1;
    e.raise(m, l);
    EXPECT_EQ(seen, "first hi; second hi 9; ");
    EXPECT_EQ(l, 9);
    e.raise(m, l);
    EXPECT_EQ(seen, "first hi; second hi 9; first hi; ");
    EXPECT_FALSE(second.connected());
}

}  // namespace
}  // namespace vek
