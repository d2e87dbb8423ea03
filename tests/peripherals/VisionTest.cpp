// Vision against a camera stub on loopback: login, the trigger, the
// three-digit gv rows, the camera's status lines, garbage and hang-ups, and
// the connect time-out in virtual time.
#include "CameraStub.h"
#include "support/Each.h"
#include "support/LogLines.h"
#include "support/TempInstall.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Log.h"
#include "vek/peripherals/Vision.h"

namespace vek::test {
namespace {

// A Cognex camera in native mode: "admin"/"secret" logs in, SE8 succeeds,
// gv answers its own command as the value, except for the cells below.
std::string cognex(const std::string& line) {
    if (line == "admin") return "Password: ";
    if (line == "secret") return "User Logged In\r\n";
    if (line == "SE8") return "1\r\n";
    if (line == "gvB001") return "0\r\n";
    if (line == "gvB002") return "-2\r\n";
    if (line == "gvB003") return "-1\r\n";
    if (line == "gvB004") return "\x01\x02garbage\r\n";
    if (line == "gvB005") return std::string("1\r\n4") + CameraStub::kHangUp;  // drops mid-answer
    if (line == "gvB006") return CameraStub::kHangUp;
    if (line == "gvB007") return std::string("1\r\n") + CameraStub::kPause + "in pieces\r\n";
    if (line == "gvB008") return std::string("1") + CameraStub::kPause + "\r\nsp" + CameraStub::kPause + "lit\r\n";
    if (line.rfind("gv", 0) == 0) return "1\r\n" + line + "\r\n";
    return {};
}

class VisionTest : public DeveloperTest {
protected:
    Vision vision_;
};

TEST_F(VisionTest, LogsInTriggersAndReadsCellsByThreeDigitRows) {
    CameraStub camera(cognex);
    ASSERT_TRUE(vision_.ConnectCognex("127.0.0.1", camera.port(), "admin", "secret"));
    EXPECT_TRUE(vision_.ProcessCognex());
    EXPECT_EQ(each<int>({0, 5, 9, 10, 42, 99, 100, 399}, [&](int row) { return vision_.GetCognexValue("A", row); }),
              "gvA000|gvA005|gvA009|gvA010|gvA042|gvA099|gvA100|gvA399");
    EXPECT_EQ(each<int>({400, -1}, [&](int row) { return vision_.GetCognexValue("A", row); }), "|");
    EXPECT_EQ(camera.received(), "admin|secret|SE8|gvA000|gvA005|gvA009|gvA010|gvA042|gvA099|gvA100|gvA399");
    EXPECT_TRUE(
        loggedAllAt(messages(), LogLevel::info,
                    {"Connection to the vision system is established!",
                     "Acquiring and processing image for Congex vision system", "Vision response string 1\r\n",
                     "Vision - command successful", "Vision response string Password: ", "Vision - Password: "}));
    EXPECT_TRUE(loggedAllAt(messages(), LogLevel::DEVELOPER, {"Executing command gvA042"}));
    EXPECT_EQ(countLogged(messages(), "Row (0-399) is out of bound"), 2);
    EXPECT_EQ(vision_.mode(), 1);
}

TEST_F(VisionTest, StatusLinesGarbageAndHangUps) {
    CameraStub camera(cognex);
    // A login needs both a user and a password.
    ASSERT_TRUE(vision_.ConnectCognex("localhost", camera.port(), "admin"));
    EXPECT_EQ(vision_.GetCognexValue("C", 7), "gvC007");
    // An answer that arrives in pieces is one answer.
    EXPECT_EQ(vision_.GetCognexValue("B", 7), "in pieces");
    EXPECT_EQ(vision_.GetCognexValue("B", 8), "split");
    EXPECT_EQ(each<int>({1, 2, 3, 4}, [&](int row) { return vision_.GetCognexValue("B", row); }), "|||");
    EXPECT_TRUE(loggedAllAt(messages(), LogLevel::info,
                            {"Vision - command unknown", "Vision - command unsuccessful", "Vision - \x01\x02garbage"}));
    EXPECT_EQ(countLogged(messages(), "Vision - command unsuccessful"), 2);
    // Cut off after the status line: the part that came is the value.
    EXPECT_EQ(vision_.GetCognexValue("B", 5), "4");
    EXPECT_FALSE(vision_.ProcessCognex());
    EXPECT_FALSE(vision_.connected());
    EXPECT_TRUE(loggedAt(messages(), "The vision system closed the connection (closed).", LogLevel::Error));
    EXPECT_FALSE(vision_.ProcessCognex());
    EXPECT_TRUE(loggedAt(messages(), "The vision system is not connected: SE8 is not sent.", LogLevel::Error));
    // Hung up without a word: the wait ends all the same.
    ASSERT_TRUE(vision_.ConnectCognex("127.0.0.1", camera.port()));
    EXPECT_EQ(vision_.GetCognexValue("B", 6), "");
    EXPECT_EQ(countLogged(messages(), "The vision system closed the connection (closed)."), 2);
    // SE8 went to a camera that had already hung up: it never got there.
    EXPECT_EQ(camera.received(), "gvC007|gvB007|gvB008|gvB001|gvB002|gvB003|gvB004|gvB005|gvB006");
}

TEST_F(VisionTest, ACameraThatNeverAnswersTimesOutAndDvtValuesReturnAtOnce) {
    CameraStub camera([](const std::string& line) { return line == "Result" ? "1\r\n17\r\n" : ""; });
    ASSERT_TRUE(vision_.ConnectCognex("127.0.0.1", camera.port()));
    vision_.setAnswerTimeout(10);  // without one, the wait lasts as long as the camera's silence
    const double start = eventLoop().now();
    EXPECT_EQ(vision_.GetCognexValue("Result", 0), "");  // no such command: nothing comes back
    EXPECT_NEAR(eventLoop().now() - start, 10.0, 0.002);
    EXPECT_TRUE(loggedAt(messages(), "The vision system did not answer within 10 s.", LogLevel::Error));
    EXPECT_FALSE(vision_.connected());
    ASSERT_TRUE(vision_.ConnectDVT("127.0.0.1", camera.port()));
    EXPECT_EQ(vision_.mode(), 0);
    EXPECT_EQ(vision_.GetDVTValue("Result"), "");
    EXPECT_TRUE(vision_.busy());
    while (vision_.busy()) eventLoop().processPendingEvents();
    // The answer came in DVT mode: it is logged, not kept.
    EXPECT_TRUE(logged("Vision response string 1\r\n17\r\n"));
    EXPECT_EQ(vision_.GetDVTValue("Result"), "");
    EXPECT_FALSE(vision_.ProcessDVT());
    EXPECT_TRUE(loggedAt(messages(), "Acquiring and processing image for DVT vision system", LogLevel::info));
}

TEST_F(VisionTest, AConnectionThatIsNotMadeFailsAfterTwoSecondsOfVirtualTime) {
    // A port that nobody listens on: the loopback refuses at once, the
    // connect timer decides.
    const int port = freePort();
    for (const std::string host : {"127.0.0.1", "no-such-host.invalid"}) {
        const double start = eventLoop().now();
        EXPECT_FALSE(vision_.ConnectCognex(host, static_cast<int16_t>(port), "admin", "secret"));
        EXPECT_NEAR(eventLoop().now() - start, 2.0, 0.002) << host;
    }
    EXPECT_EQ(countLogged(messages(), "Attempt to connect to the vision system failed!"), 2);
    EXPECT_TRUE(loggedStartingWith(messages(), "Vision: cannot resolve no-such-host.invalid"));
    EXPECT_EQ(vision_.GetCognexValue("A", 1), "");
}

}  // namespace
}  // namespace vek::test
