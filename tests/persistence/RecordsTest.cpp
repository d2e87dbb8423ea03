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
    using Slide = std::pair<const char*, double>;
    EXPECT_EQ(each<Slide>({{"JP65", 10},
                           {"JP65", 19.05},
                           {"JP65", 38.1},
                           {"JP65", 16},
                           {"JP90", 16},
                           {"JP90", 19.05},
                           {"jp65", 10},
                           {"WX21", 0.2},
                           {"X", 0.25},
                           {"X", -2.25}},
                          [](const Slide& slide) {
                              SlideData s;
                              s.setModel(slide.first);
                              s.setPitch(slide.second);
                              return s.getPitchDisplay();
                          }),
              "10.0 (L)|19.1 (M .75\")|38.1 (H 1.5\")||16.0 (M)||10.0|0.2|0.3|-2.3");
}

// Labels are looked up exactly; the nine tuning values are handed out as a
// copy; simulated inputs start blank. Indexes out of range raise.
TEST(MotorDataTest, LabelsTuningValuesAndSimulatedInputsCheckTheirIndexes) {
    MotorData m;
    for (const char* l : {"Start", "Stop", "Stop"}) m.inputLabels().add(l);
    m.outputLabels().add("Lamp");
    EXPECT_EQ(m.getInputLabelIndex("Stop") * 10 + m.getOutputLabelIndex("Lamp"), 21);
    EXPECT_TRUE(raisesNumbered(
        ErrorCodes::INVALID_ARGUMENTS, [&] { m.getInputLabelIndex("start"); }, "Input IO start is not valid."));
    EXPECT_TRUE(raisesNumbered(
        ErrorCodes::INVALID_ARGUMENTS, [&] { m.getOutputLabelIndex("Out7"); }, "Output IO Out7 is not valid."));
    m.setTuningValue(8, 42);
    auto all = m.allTuningValues();
    all[8] = 1;
    EXPECT_EQ(std::to_string(m.allTuningValues()[8]) + "/" + std::to_string(m.tuningValue(8)) + "/" +
                  std::to_string(m.tuningValue(0)),
              "42/42/0");
    EXPECT_TRUE(raisesNumbered(
        9, [&] { m.tuningValue(9); }, "Subscript out of range"));
    EXPECT_TRUE(raisesNumbered(
        9, [&] { m.setTuningValue(-1, 0); }, "Subscript out of range"));

    SimulationData s;
    EXPECT_EQ(each({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, [&](int16_t i) { return s.simulatedInputs(i); }),
              "||||||||||||");
    s.setSimulatedInputs(3, "1");
    EXPECT_EQ(s.simulatedInputs(3), "1");
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
    // Key, name, role, company and password of the last user logged in.
    std::string who() const {
        return std::to_string(user.userKey()) + " " + user.userName() + " " + std::to_string(user.userRole()) + " " +
               user.userCompany() + "/" + user.userPassword();
    }
    User user;
};

// The trimmed stored password must match; the first matching row wins; a
// failed login leaves the last user in place.
TEST_F(UserTest, TableLoginComparesTheTrimmedStoredPasswordOfTheFirstMatchingRow) {
    EXPECT_TRUE(user.validatePublicLogin("anna", "secret"));
    EXPECT_EQ(who(), "7 anna 1 Acme/secret   ");
    EXPECT_EQ(user.userRole(), UserRoles::EXPERT);
    EXPECT_EQ(user.connectTime().size(), 8u);
    EXPECT_FALSE(user.validatePublicLogin("anna", "secret "));
    EXPECT_EQ(who(), "7 anna 1 Acme/secret   ");
    EXPECT_TRUE(user.validatePublicLogin("bob", "two"));
    EXPECT_EQ(who(), "9 bob 1 Second/two");
    EXPECT_TRUE(user.validatePublicLogin("bob", "one"));
    EXPECT_EQ(who(), "8 bob 2 /one");
    EXPECT_FALSE(user.validatePublicLogin("bob", "three"));
    EXPECT_EQ(user.userPassword(), "two");
    EXPECT_FALSE(user.validatePublicLogin("nobody", "two"));
}

TEST_F(UserTest, LoginWithAQuoteIsRefusedAndNothingRuns) {
    EXPECT_FALSE(user.validatePublicLogin("x' OR '1'='1", "secret"));
    EXPECT_FALSE(user.validatePublicLogin("anna'; DROP TABLE USER; --", "secret"));
    EXPECT_TRUE(loggedStartingWith("Can't validate login information.-->"));
    EXPECT_EQ(raw("SELECT count(*) FROM USER"), "4");
    EXPECT_EQ(user.userKey(), 0);
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
