// The serial channel and its engine against the chain emulator on a real
// pseudo-terminal: addressing, rates, faults, the traffic log.
#include <gtest/gtest.h>

#include "support/ChainFixture.h"
#include "support/Each.h"
#include "support/Expect.h"

namespace vek::test {
namespace {

using SerialChain = ChainTest;

TEST_F(SerialChain, AddressesAChainOfThree) {
    startChain(3);
    open();
    EXPECT_EQ(count_, 3);
    EXPECT_EQ(sent(), "0WAKE 0SADDR0 0ECHO_OFF 0SADDR1 1ECHO 1SLEEP 0SADDR2 2ECHO 2SLEEP 0SADDR3 3ECHO 3SLEEP 0WAKE");
    EXPECT_EQ(comm_->getResponseOf("2RP"), "0");
}

}  // namespace
}  // namespace vek::test
