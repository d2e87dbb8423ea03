#include <gtest/gtest.h>

#include "PersistenceTest.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"
#include "vek/persistence/MotorData.h"
#include "vek/persistence/SimulationData.h"
#include "vek/persistence/SlideData.h"

namespace vek::test {
namespace {

std::string pitchDisplay(const std::string& model, double pitch) {
    SlideData s;
    s.setModel(model);
    s.setPitch(pitch);
    return s.getPitchDisplay();
}

TEST(SlideDataTest, PitchDisplayNamesTheJpLeads) {
    EXPECT_EQ(pitchDisplay("JP65", 10), "10.0 (L)");
    EXPECT_EQ(pitchDisplay("JP65", 19.05), "19.1 (M .75\")");
    EXPECT_EQ(pitchDisplay("JP65", 38.1), "38.1 (H 1.5\")");
    EXPECT_EQ(pitchDisplay("JP65", 16), "");
    EXPECT_EQ(pitchDisplay("JP90", 16), "16.0 (M)");
    EXPECT_EQ(pitchDisplay("JP90", 19.05), "");
    EXPECT_EQ(pitchDisplay("jp65", 10), "10.0");
    EXPECT_EQ(pitchDisplay("WX21", 0.2), "0.2");
    EXPECT_EQ(pitchDisplay("X", 0.25), "0.3");
    EXPECT_EQ(pitchDisplay("X", -2.25), "-2.3");
}

TEST(MotorDataTest, LabelLookupsAreExact) {
    MotorData m;
    for (const char* l : {"Start", "Stop", "Stop"}) m.inputLabels().add(l);
    m.outputLabels().add("Lamp");
    EXPECT_EQ(m.getInputLabelIndex("Stop"), 2);
    EXPECT_EQ(m.getOutputLabelIndex("Lamp"), 1);
    try {
        m.getInputLabelIndex("start");
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), ErrorCodes::INVALID_ARGUMENTS);
        EXPECT_EQ(e.description(), "Input IO start is not valid.");
    }
    try {
        m.getOutputLabelIndex("Out7");
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.description(), "Output IO Out7 is not valid.");
    }
}

TEST(MotorDataTest, TuningValuesAreANineElementArrayHandedOutAsACopy) {
    MotorData m;
    m.setTuningValue(8, 42);
    auto all = m.allTuningValues();
    EXPECT_EQ(all[8], 42);
    all[8] = 1;
    EXPECT_EQ(m.tuningValue(8), 42);
    EXPECT_EQ(m.tuningValue(0), 0);
    EXPECT_THROW(m.tuningValue(9), NumberedError);
    EXPECT_THROW(m.setTuningValue(-1, 0), NumberedError);
}

TEST(SimulationDataTest, InputsStartBlankAndBoundsAreChecked) {
    SimulationData s;
    for (int16_t i = 0; i <= 12; ++i) EXPECT_EQ(s.simulatedInputs(i), "");
    s.setSimulatedInputs(3, "1");
    EXPECT_EQ(s.simulatedInputs(3), "1");
    try {
        s.setSimulatedInputs(13, "1");
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), ErrorCodes::DATABASE_ERROR);
    }
    try {
        s.simulatedInputs(13);
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 9);
    }
}

using SimulationSaveTest = PersistenceTest;

TEST_F(SimulationSaveTest, SaveInsertsTheFirstTimeAndUpdatesAfter) {
    SimulationData s(runtime().database);
    s.setKey(4);
    s.setSimulatedInputs(1, "1");
    s.setSimulatedInputs(12, "it's on");
    s.save();
    EXPECT_EQ(raw("SELECT count(*) FROM Simulation"), "1");
    EXPECT_EQ(raw("SELECT in12 FROM Simulation WHERE motorKey = 4"), "it's on");
    EXPECT_EQ(raw("SELECT in2 FROM Simulation WHERE motorKey = 4"), " ");
    s.setSimulatedInputs(1, "0");
    s.save();
    EXPECT_EQ(raw("SELECT count(*) FROM Simulation"), "1");
    EXPECT_EQ(raw("SELECT in1 FROM Simulation WHERE motorKey = 4"), "0");
    EXPECT_FALSE(loggedStartingWith("Can't"));

    raw("DROP TABLE Simulation");
    s.save();
    EXPECT_TRUE(loggedAt("Can't save the Simulation data in the database.-->no such table: Simulation", 3));
    EXPECT_EQ(s.simulatedInputs(1), "0");
}

}  // namespace
}  // namespace vek::test
