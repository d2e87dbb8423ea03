// Host names of devices on the network become numeric addresses, and a name
// that cannot be resolved gives none instead of holding the caller.
#include <gtest/gtest.h>

#include "vek/foundation/NetAddress.h"

namespace vek::test {
namespace {

TEST(ResolveHost, NumbersStayNamesResolveUnknownNamesGiveNothing) {
    EXPECT_EQ(resolveHost("192.168.1.5", 1), "192.168.1.5");
    EXPECT_EQ(resolveHost("::1", 1), "::1");
    const std::string local = resolveHost("localhost", 5);
    EXPECT_TRUE(local == "127.0.0.1" || local == "::1") << local;
    // The reserved top-level domain never resolves, with or without a name server.
    EXPECT_EQ(resolveHost("no-such-device.invalid", 2), "");
    EXPECT_EQ(resolveHost("", 1), "");
}

}  // namespace
}  // namespace vek::test
