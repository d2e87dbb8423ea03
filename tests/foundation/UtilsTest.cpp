#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "support/Each.h"
#include "support/Expect.h"
#include "support/TempInstall.h"
#include "vek/foundation/MotionSound.h"
#include "vek/geometry/Utils.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/User.h"

extern char** environ;

namespace vek {
namespace {

using test::each;
using test::raisesNumbered;
using test::readFileText;

class UtilsTest : public test::VekTest {
protected:
    Utils& u() { return *runtime().utils; }
    std::vector<std::string> items(const std::shared_ptr<Collection<std::string>>& c) {
        return c ? std::vector<std::string>(c->begin(), c->end()) : std::vector<std::string>{"<none>"};
    }
};

TEST_F(UtilsTest, TextAddressesAndNames) {
    EXPECT_EQ(u().removeCharacters("a-b--c", "-"), "abc");
    EXPECT_EQ(u().removeCharacters("aXbxc", "x"), "aXbc");
    EXPECT_EQ(each({5, 10, 255}, [&](int byte) { return u().getHexFromByte(static_cast<uint8_t>(byte)); }), "05|0A|FF");
    EXPECT_EQ(u().splitTokens("a,,b,", ","), (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(u().Min(2, 2) + u().Max(-1, 3), 5);
    EXPECT_EQ(u().getNormalizedEthernetAddress("192.168.1.5"), "192.168.001.005");
    EXPECT_EQ(each({"10.0.0", "1.2.3.4.5", "1.2.3.256", "1.2.x.4"},
                   [&](auto a) { return u().getNormalizedEthernetAddress(a); }),
              "|||");
    EXPECT_EQ(each({" 10.0.0.1 ", "   ", "", "300.1.1.1"}, [&](auto a) { return u().isValidIP(a); }), "1|0|0|0");
    EXPECT_EQ(each({"axis_1", "  speed  ", "1axis", "a b", "a.b", "a-b", "", "   ", "12", "x|y", "a\\b", "p(1)"},
                   [&](auto name) { return u().isValidVariableName(name); }),
              "1|1|0|0|0|0|0|0|0|0|0|0");
    using Like = std::pair<const char*, const char*>;
    EXPECT_EQ(each<Like>({{"abc", "a*c"}, {"ac", "a*c"}, {"ac", "a?*c"}},
                         [](Like c) { return Utils::isLike(c.first, c.second); }),
              "1|1|0");
    EXPECT_EQ(each({"C:\\data\\points.txt", "/tmp/x/points.txt", "points.txt"},
                   [&](auto path) { return u().directoryOfFileFromPath(path); }),
              "C:\\data\\|/tmp/x/|");
    EXPECT_EQ(u().nameOfFileFromPath("C:\\data\\points.v2.txt") + " " + u().getExtension("/a/b/drawing.dxf") + " " +
                  u().getExtension("ab"),
              "points.v2 dxf ab");
}

TEST_F(UtilsTest, ArrayAssignmentsCollectionsAndRandomNumbers) {
    EXPECT_EQ(items(u().getTokensFromArrayAssignment("speed[2]=150", "speed")),
              (std::vector<std::string>{"speed", "2", "150"}));
    EXPECT_EQ(items(u().getTokensFromArrayAssignment("pos[03]=-7")), (std::vector<std::string>{"pos", "3", "-7"}));
    for (const char* otherForm : {"speed[2]", "speed[2]=1=2", "accel[2]=1"})
        EXPECT_EQ(u().getTokensFromArrayAssignment(otherForm, "speed"), nullptr) << otherForm;
    for (const char* notANumber : {"speed[x]=1", "speed[2]=fast", "speed[]=1"})
        EXPECT_TRUE(raisesNumbered(13, [&] { u().getTokensFromArrayAssignment(notANumber, "speed"); })) << notANumber;

    Collection<int> c;
    c.add(1, "One");
    EXPECT_TRUE(u().isPresentInCollection(c, "one"));
    EXPECT_FALSE(u().isPresentInCollection(c, "two"));
    for (int i = 0; i < 1000; ++i) {
        const int32_t r = u().random(-2, 3);
        ASSERT_TRUE(r >= -2 && r <= 3) << r;
    }
    EXPECT_EQ(u().random(7, 7), 7);
    EXPECT_TRUE(raisesNumbered(6, [&] { u().random(INT32_MIN, INT32_MAX); }));
}

// Lines are written with CR LF; reading can skip comments and blank lines;
// what cannot be done is swallowed, except renaming a missing file.
TEST_F(UtilsTest, FilesAreWrittenReadCopiedRenamedAndDeleted) {
    auto file = [&](const std::string& name) { return install_->file(name); };
    std::ofstream(file("lines.txt"), std::ios::binary) << "first\r\n  \r\n' comment\r\n  indented\nlast";
    EXPECT_EQ(u().ReadFile(file("lines.txt")), "first\r\n  \r\n' comment\r\n  indented\r\nlast\r\n");
    EXPECT_EQ(u().ReadFile(file("lines.txt"), "'", true), "first\r\n  indented\r\nlast\r\n");
    EXPECT_EQ(items(u().fileToCollection(file("lines.txt"), "'", true)),
              (std::vector<std::string>{"first", "  indented", "last"}));
    EXPECT_EQ(u().ReadFile(file("missing.txt")), "");
    EXPECT_EQ(u().fileToCollection(file("missing.txt"))->count(), 0u);

    u().writeFile(file("a.txt"), "one");
    u().writeFile(file("a.txt"), "two", true);
    EXPECT_EQ(readFileText(file("a.txt")), "one\r\ntwo\r\n");
    u().writeFile(file("a.txt"), "three");
    EXPECT_EQ(readFileText(file("a.txt")), "three\r\n");
    u().writeFile(file("no/such/folder/x.txt"), "swallowed");
    u().copyBinaryFile(file("a.txt"), file("b.bin"));
    EXPECT_EQ(readFileText(file("b.bin")), "three\r\n");
    u().copyBinaryFile(file("missing"), file("c.bin"));
    EXPECT_FALSE(u().isFilePresent(file("c.bin")));
    u().renameFile(file("b.bin"), file("c.bin"));
    EXPECT_TRUE(u().isFilePresent(file("c.bin")));
    EXPECT_TRUE(raisesNumbered(
        11, [&] { u().renameFile(file("b.bin"), file("d.bin")); }, "File " + file("b.bin") + " doesn't exist."));
    EXPECT_TRUE(u().isDirPresent(install_->path()));
    EXPECT_FALSE(u().isDirPresent(file("a.txt")) || u().isFilePresent(install_->path()));

    for (const char* name : {"p1.smp", "p2.smp", "p3.SMP", "p4.smpx"}) u().writeFile(file(name), "");
    EXPECT_EQ(items(u().getFiles(install_->path(), "smp")), (std::vector<std::string>{"p1.smp", "p2.smp"}));
    u().deleteFile(file("p*.smp"));
    EXPECT_EQ(u().getFiles(install_->path(), "smp")->count(), 0u);
    EXPECT_TRUE(u().isFilePresent(file("p3.SMP")));
    const auto age = std::chrono::system_clock::now() - u().getFileCreationTime(file("a.txt"));
    EXPECT_LT(std::chrono::abs(age), std::chrono::minutes(1));
}

TEST_F(UtilsTest, MotionSoundStartsOnceAndStopsQuietly) {
    stopMotionSound();
    EXPECT_FALSE(isMotionSoundPlaying());
    startMotionSound();
    startMotionSound();
    EXPECT_TRUE(isMotionSoundPlaying());
    stopMotionSound();
    EXPECT_FALSE(isMotionSoundPlaying());
    EXPECT_FALSE(isMotionSoundAudible());
    stopMotionSound();
}

// The built-in logins compare the trimmed name and password with case; a
// failed login leaves the user in place.
TEST_F(UtilsTest, BuiltInLoginsAndRoleNames) {
    User& user = *runtime().user;
    for (auto [role, name] :
         std::vector<std::pair<int16_t, const char*>>{{0, ""}, {5, ""}, {-2, "Debug"}, {2, "Operator"}})
        EXPECT_EQ(user.getRoleName(role), name) << role;
    for (auto [name, password, accepted, role, key, who] :
         std::vector<std::tuple<const char*, const char*, bool, int16_t, int32_t, const char*>>{
             {"GANT", "ryxo", false, 0, 0, ""},
             {"gant", "RYXO", false, 0, 0, ""},
             {"  gant ", " ryxo  ", true, UserRoles::DEVELOPER, -1, "gant"},
             {"trace", "bqzlm", true, UserRoles::DEBUGONLY, -2, "trace"},
             {"nobody", "bqzlm", false, UserRoles::DEBUGONLY, -2, "trace"}}) {
        EXPECT_EQ(user.validatePrivateLogin(name, password), accepted) << name;
        EXPECT_EQ(std::make_tuple(user.userRole(), user.userKey(), user.userName()), std::make_tuple(role, key, who))
            << name;
    }
    EXPECT_EQ(user.connectTime().size(), 8u);
}

// The text of `path` once something has written it, or empty after ten seconds.
std::string awaitedText(const std::string& path) {
    for (int i = 0; i < 200; ++i) {
        if (std::string text = readFileText(path); !text.empty()) return text;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
}

// A real SMTP server on loopback receives what SendMail sends; once it is
// gone, nobody listens on its port.
TEST_F(UtilsTest, SendMailDeliversSenderNameSubjectAndBodyOrGivesFalse) {
    const std::string portFile = install_->file("smtp.port"), mailFile = install_->file("smtp.mail");
    // Debian's interpreter, which has python3-aiosmtpd (a pyenv one on PATH may not).
    std::vector<std::string> args{"/usr/bin/python3", std::string(VEK_SOURCE_DIR) + "/tests/support/smtp_sink.py",
                                  portFile, mailFile};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    const std::string server = "127.0.0.1:" + awaitedText(portFile);
    const bool sent =
        server.size() > 10 && u().SendMail(server, "operator@example.com", "Axis X is homed.\nCycle 12 done.");
    const std::string mail = sent ? awaitedText(mailFile) : "";
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    ASSERT_TRUE(sent) << "the loopback SMTP server (python3-aiosmtpd) did not start or refused the mail";
    for (const char* part :
         {"MAIL FROM: noreply@vek.local\n", "RCPT TO: operator@example.com\n",
          "From: \"QDX Software\" <noreply@vek.local>\r\n", "To: \"operator@example.com\" <operator@example.com>\r\n",
          "Subject: Email from QDX Software\r\n", "\r\n\r\nAxis X is homed.\r\nCycle 12 done.\r\n"})
        EXPECT_NE(mail.find(part), std::string::npos) << part << " in\n" << mail;
    EXPECT_FALSE(u().SendMail(server, "a@b.c", "x"));
    EXPECT_FALSE(u().SendMail("", "a@b.c", "x"));
    EXPECT_FALSE(u().SendMail("127.0.0.1:1", "", "x"));
}

}  // namespace
}  // namespace vek
