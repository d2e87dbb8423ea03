#include <gtest/gtest.h>

#include "PersistenceTest.h"
#include "support/Each.h"
#include "vek/persistence/MotorData.h"
#include "vek/persistence/SimulationData.h"
#include "vek/persistence/SlideData.h"
#include "vek/persistence/User.h"

namespace vek::test {
namespace {

TEST(SlideDataTest, PitchDisplayNamesTheJpLeads) {
    const auto display = [](const char* model, double pitch) {
        SlideData s;
        s.setModel(model);
        s.setPitch(pitch);
        return s.getPitchDisplay() + "|";
    };
    EXPECT_EQ(display("JP65", 10) + display("JP65", 19.05) + display("JP65", 38.1) + display("JP65", 16) +
                  display("JP90", 16) + display("JP90", 19.05) + display("jp65", 10) + display("WX21", 0.2) +
                  display("X", 0.25) + display("X", -2.25),
              "10.0 (L)|19.1 (M .75\")|38.1 (H 1.5\")||16.0 (M)||10.0|0.2|0.3|-2.3|");
}

// Labels are looked up exactly, simulated inputs start blank, and indexes
// out of range raise.
TEST(MotorDataTest, LabelsTuningValuesAndSimulatedInputsCheckTheirIndexes) {
    MotorData m;
    for (const char* l : {"Start", "Stop", "Stop"}) m.inputLabels().add(l);
    m.outputLabels().add("Lamp");
    EXPECT_EQ(std::to_string(m.getInputLabelIndex("Stop")) + "/" + std::to_string(m.getOutputLabelIndex("Lamp")),
              "2/1");
    EXPECT_TRUE(raisesNumbered(
        ErrorCodes::INVALID_ARGUMENTS, [&] { m.getInputLabelIndex("start"); }, "Input IO start is not valid."));
    EXPECT_TRUE(raisesNumbered(
        ErrorCodes::INVALID_ARGUMENTS, [&] { m.getOutputLabelIndex("Out7"); }, "Output IO Out7 is not valid."));
    m.setTuningValue(8, 42);
    EXPECT_EQ(std::to_string(m.tuningValue(0)) + "/" + std::to_string(m.allTuningValues()[8]), "0/42");
    EXPECT_TRUE(raisesNumbered(
        9, [&] { m.tuningValue(9); }, "Subscript out of range"));
    EXPECT_TRUE(raisesNumbered(
        9, [&] { m.setTuningValue(-1, 0); }, "Subscript out of range"));

    SimulationData s;
    s.setSimulatedInputs(3, "1");
    EXPECT_EQ(each({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, [&](int16_t i) { return s.simulatedInputs(i); }),
              "|||1|||||||||");
    EXPECT_TRUE(raisesNumbered(
        ErrorCodes::DATABASE_ERROR, [&] { s.setSimulatedInputs(13, "1"); }, "Simulated input 13 does not exist."));
    EXPECT_TRUE(raisesNumbered(
        9, [&] { s.simulatedInputs(13); }, "Subscript out of range"));
}

using RecordsTest = PersistenceTest;

TEST_F(RecordsTest, SimulatedInputsAreInsertedTheFirstTimeAndUpdatedAfter) {
    SimulationData s(runtime().database);
    s.setKey(4);
    s.setSimulatedInputs(1, "1");
    s.setSimulatedInputs(12, "it's on");
    s.save();
    const std::string stored = "SELECT count(*) || '/' || in1 || '/' || in2 || '/' || in12 FROM Simulation";
    EXPECT_EQ(raw(stored + " WHERE motorKey = 4"), "1/1/ /it's on");
    s.setSimulatedInputs(1, "0");
    s.save();
    EXPECT_EQ(raw(stored), "1/0/ /it's on");
    EXPECT_FALSE(loggedStartingWith("Can't"));

    raw("DROP TABLE Simulation");
    s.save();
    EXPECT_TRUE(loggedAt("Can't save the Simulation data in the database.-->no such table: Simulation", 3));
    EXPECT_EQ(s.simulatedInputs(1), "0");
}

class UserTest : public PersistenceTest {
protected:
    void SetUp() override {
        PersistenceTest::SetUp();
        raw("INSERT INTO USER (userKey, name, password, role, company) VALUES (7, 'anna', 'secret   ', 1, ' Acme '), "
            "(8, 'bob', 'one', 2, NULL), (9, 'bob', 'two', 1, 'Second'), (10, 'bob', 'two', 2, 'Third')");
        user.setDatabase(runtime().database);
    }
    // Whether the login succeeds, then the user's key, name, role, company
    // and the password last read: "in 7 anna 1 Acme/secret   ".
    std::string login(const std::string& name, const std::string& password) {
        const bool in = user.validatePublicLogin(name, password);
        return (in ? "in " : "out ") + std::to_string(user.userKey()) + " " + user.userName() + " " +
               std::to_string(user.userRole()) + " " + user.userCompany() + "/" + user.userPassword();
    }
    User user;
};

// The trimmed stored password must match; the first matching row wins; a
// failed login leaves the last user in place.
TEST_F(UserTest, TableLoginComparesTheTrimmedStoredPasswordOfTheFirstMatchingRow) {
    EXPECT_EQ(login("anna", "secret"), "in 7 anna 1 Acme/secret   ");
    EXPECT_EQ(user.connectTime().size(), 8u);
    EXPECT_EQ(login("anna", "secret "), "out 7 anna 1 Acme/secret   ");
    EXPECT_EQ(login("bob", "two"), "in 9 bob 1 Second/two");
    EXPECT_EQ(login("bob", "one"), "in 8 bob 2 /one");
    EXPECT_EQ(login("bob", "three"), "out 8 bob 2 /two");
    EXPECT_EQ(login("nobody", "two"), "out 8 bob 2 /two");
}

TEST_F(UserTest, LoginWithAQuoteIsRefusedAndNothingRuns) {
    EXPECT_EQ(login("x' OR '1'='1", "secret"), "out 0  0 /");
    EXPECT_EQ(login("anna'; DROP TABLE USER; --", "secret"), "out 0  0 /");
    EXPECT_TRUE(loggedStartingWith("Can't validate login information.-->"));
    EXPECT_EQ(raw("SELECT count(*) FROM USER"), "4");
}

TEST_F(UserTest, CredentialsNeverReachTheLog) {
    raw("DROP TABLE USER");
    EXPECT_FALSE(user.validatePublicLogin("anna", "secret"));
    EXPECT_TRUE(loggedAt("Can't validate login information.-->no such table: USER", 3));
    EXPECT_TRUE(user.validatePrivateLogin(" gant ", "ryxo "));
    const std::string text = logFileText();
    for (const char* secret : {"secret", "ryxo", "gant", "bqzlm", "trace"})
        EXPECT_EQ(text.find(secret), std::string::npos) << secret;
}

}  // namespace
}  // namespace vek::test
