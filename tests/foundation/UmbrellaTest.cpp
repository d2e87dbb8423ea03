// Compiled with nothing but the umbrella header, as a host program would.
#include <gtest/gtest.h>

#include "vek/vek.h"

TEST(Umbrella, AHostSeesTheLibraryThroughOneHeader) {
    vek::Collection<int> c;
    c.add(1, "x");
    EXPECT_EQ(c.item("X"), 1);
    EXPECT_EQ(vek::toText(2.5), "2.5");
}
