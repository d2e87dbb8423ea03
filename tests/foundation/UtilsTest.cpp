#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/TempInstall.h"
#include "vek/foundation/MotionSound.h"
#include "vek/foundation/NumberedError.h"
#include "vek/geometry/Utils.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/User.h"

extern char** environ;

namespace vek {
namespace {

namespace fs = std::filesystem;
using test::readFileText;

class UtilsTest : public test::VekTest {
protected:
    Utils& u() { return *runtime().utils; }
    std::vector<std::string> items(const std::shared_ptr<Collection<std::string>>& c) {
        return c ? std::vector<std::string>(c->begin(), c->end()) : std::vector<std::string>{"<none>"};
    }
};

TEST_F(UtilsTest, TextHelpers) {
    EXPECT_EQ(u().removeCharacters("a-b--c", "-"), "abc");
    EXPECT_EQ(u().removeCharacters("aXbxc", "x"), "aXbc");
    EXPECT_EQ(u().getHexFromByte(5), "05");
    EXPECT_EQ(u().getHexFromByte(10), "0A");
    EXPECT_EQ(u().getHexFromByte(255), "FF");
    EXPECT_EQ(u().splitTokens("a,,b,", ","), (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(u().Min(2, 2), 2);
    EXPECT_EQ(u().Max(-1, 3), 3);
}

TEST_F(UtilsTest, EthernetAddresses) {
    EXPECT_EQ(u().getNormalizedEthernetAddress("192.168.1.5"), "192.168.001.005");
    EXPECT_EQ(u().getNormalizedEthernetAddress("10.0.0"), "");
    EXPECT_EQ(u().getNormalizedEthernetAddress("1.2.3.4.5"), "");
    EXPECT_EQ(u().getNormalizedEthernetAddress("1.2.3.256"), "");
    EXPECT_EQ(u().getNormalizedEthernetAddress("1.2.x.4"), "");
    EXPECT_TRUE(u().isValidIP(" 10.0.0.1 "));
    EXPECT_FALSE(u().isValidIP("   "));
    EXPECT_FALSE(u().isValidIP(""));
    EXPECT_FALSE(u().isValidIP("300.1.1.1"));
}

TEST_F(UtilsTest, VariableNames) {
    EXPECT_TRUE(u().isValidVariableName("axis_1"));
    EXPECT_TRUE(u().isValidVariableName("  speed  "));
    for (const char* bad : {"1axis", "a b", "a.b", "a-b", "", "   ", "12", "x|y", "a\\b", "p(1)"})
        EXPECT_FALSE(u().isValidVariableName(bad)) << bad;
}

TEST_F(UtilsTest, ArrayAssignments) {
    EXPECT_EQ(items(u().getTokensFromArrayAssignment("speed[2]=150", "speed")),
              (std::vector<std::string>{"speed", "2", "150"}));
    EXPECT_EQ(items(u().getTokensFromArrayAssignment("pos[03]=-7")), (std::vector<std::string>{"pos", "3", "-7"}));
    EXPECT_EQ(u().getTokensFromArrayAssignment("speed[2]", "speed"), nullptr);
    EXPECT_EQ(u().getTokensFromArrayAssignment("speed[2]=1=2", "speed"), nullptr);
    EXPECT_EQ(u().getTokensFromArrayAssignment("accel[2]=1", "speed"), nullptr);
    for (const char* notANumber : {"speed[x]=1", "speed[2]=fast", "speed[]=1"}) {
        try {
            u().getTokensFromArrayAssignment(notANumber, "speed");
            ADD_FAILURE() << notANumber;
        } catch (const NumberedError& e) {
            EXPECT_EQ(e.number(), 13) << notANumber;
        }
    }
    EXPECT_TRUE(Utils::isLike("abc", "a*c"));
    EXPECT_TRUE(Utils::isLike("ac", "a*c"));
    EXPECT_FALSE(Utils::isLike("ac", "a?*c"));
}

TEST_F(UtilsTest, CollectionsAndRandomNumbers) {
    Collection<int> c;
    c.add(1, "One");
    EXPECT_TRUE(u().isPresentInCollection(c, "one"));
    EXPECT_FALSE(u().isPresentInCollection(c, "two"));
    for (int i = 0; i < 1000; ++i) {
        const int32_t r = u().random(-2, 3);
        ASSERT_GE(r, -2);
        ASSERT_LE(r, 3);
    }
    EXPECT_EQ(u().random(7, 7), 7);
    try {
        u().random(INT32_MIN, INT32_MAX);
        FAIL() << "no overflow";
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 6);
    }
}

TEST_F(UtilsTest, PathPieces) {
    EXPECT_EQ(u().directoryOfFileFromPath("C:\\data\\points.txt"), "C:\\data\\");
    EXPECT_EQ(u().directoryOfFileFromPath("/tmp/x/points.txt"), "/tmp/x/");
    EXPECT_EQ(u().directoryOfFileFromPath("points.txt"), "");
    EXPECT_EQ(u().nameOfFileFromPath("C:\\data\\points.v2.txt"), "points.v2");
    EXPECT_EQ(u().getExtension("/a/b/drawing.dxf"), "dxf");
    EXPECT_EQ(u().getExtension("ab"), "ab");
}

TEST_F(UtilsTest, ReadingFilesSelectsLines) {
    const std::string path = install_->file("lines.txt");
    std::ofstream(path, std::ios::binary) << "first\r\n  \r\n' comment\r\n  indented\nlast";
    EXPECT_EQ(u().ReadFile(path), "first\r\n  \r\n' comment\r\n  indented\r\nlast\r\n");
    EXPECT_EQ(u().ReadFile(path, "'", true), "first\r\n  indented\r\nlast\r\n");
    EXPECT_EQ(items(u().fileToCollection(path, "'", true)), (std::vector<std::string>{"first", "  indented", "last"}));
    EXPECT_EQ(u().ReadFile(install_->file("missing.txt")), "");
    EXPECT_EQ(u().fileToCollection(install_->file("missing.txt"))->count(), 0u);
}

TEST_F(UtilsTest, WritingCopyingRenamingDeleting) {
    const std::string a = install_->file("a.txt");
    u().writeFile(a, "one");
    u().writeFile(a, "two", true);
    EXPECT_EQ(readFileText(a), "one\r\ntwo\r\n");
    u().writeFile(a, "three");
    EXPECT_EQ(readFileText(a), "three\r\n");
    u().writeFile(install_->file("no/such/folder/x.txt"), "swallowed");

    u().copyBinaryFile(a, install_->file("b.bin"));
    EXPECT_EQ(readFileText(install_->file("b.bin")), "three\r\n");
    u().copyBinaryFile(install_->file("missing"), install_->file("c.bin"));
    EXPECT_FALSE(u().isFilePresent(install_->file("c.bin")));

    u().renameFile(install_->file("b.bin"), install_->file("c.bin"));
    EXPECT_TRUE(u().isFilePresent(install_->file("c.bin")));
    try {
        u().renameFile(install_->file("b.bin"), install_->file("d.bin"));
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 11);
        EXPECT_EQ(e.description(), "File " + install_->file("b.bin") + " doesn't exist.");
    }
    EXPECT_TRUE(u().isDirPresent(install_->path()));
    EXPECT_FALSE(u().isDirPresent(a));
    EXPECT_FALSE(u().isFilePresent(install_->path()));

    u().writeFile(install_->file("p1.smp"), "");
    u().writeFile(install_->file("p2.smp"), "");
    u().writeFile(install_->file("p3.SMP"), "");
    u().writeFile(install_->file("p4.smpx"), "");
    EXPECT_EQ(items(u().getFiles(install_->path(), "smp")), (std::vector<std::string>{"p1.smp", "p2.smp"}));
    u().deleteFile(install_->file("p*.smp"));
    EXPECT_EQ(u().getFiles(install_->path(), "smp")->count(), 0u);
    EXPECT_TRUE(u().isFilePresent(install_->file("p3.SMP")));
    const auto age = std::chrono::system_clock::now() - u().getFileCreationTime(a);
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

TEST_F(UtilsTest, BuiltInLoginsAndRoleNames) {
    User& user = *runtime().user;
    EXPECT_EQ(user.getRoleName(0), "");
    EXPECT_EQ(user.getRoleName(5), "");
    EXPECT_EQ(user.getRoleName(-2), "Debug");
    EXPECT_EQ(user.getRoleName(2), "Operator");
    EXPECT_FALSE(user.validatePrivateLogin("GANT", "ryxo"));
    EXPECT_FALSE(user.validatePrivateLogin("gant", "RYXO"));
    EXPECT_EQ(user.userRole(), 0);
    EXPECT_TRUE(user.validatePrivateLogin("  gant ", " ryxo  "));
    EXPECT_EQ(user.userRole(), UserRoles::DEVELOPER);
    EXPECT_EQ(user.userKey(), -1);
    EXPECT_EQ(user.userName(), "gant");
    EXPECT_EQ(user.connectTime().size(), 8u);
    EXPECT_TRUE(user.validatePrivateLogin("trace", "bqzlm"));
    EXPECT_EQ(user.userRole(), UserRoles::DEBUGONLY);
    EXPECT_EQ(user.userKey(), -2);
    EXPECT_FALSE(user.validatePrivateLogin("nobody", "bqzlm"));
    EXPECT_EQ(user.userName(), "trace");  // a failed login leaves the user in place
}

// A real SMTP server on loopback receives what SendMail sends.
class SendMailTest : public UtilsTest {
protected:
    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        UtilsTest::TearDown();
    }
    // Starts the sink and returns its port, or 0 when it could not start.
    int startServer() {
        portFile_ = install_->file("smtp.port");
        mailFile_ = install_->file("smtp.mail");
        const std::string script = std::string(VEK_SOURCE_DIR) + "/tests/support/smtp_sink.py";
        // Debian's interpreter, which has python3-aiosmtpd (a pyenv one on PATH may not).
        std::vector<std::string> args{"/usr/bin/python3", script, portFile_, mailFile_};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, "/usr/bin/python3", nullptr, nullptr, argv.data(), environ) != 0) return 0;
        for (int i = 0; i < 200; ++i) {
            const std::string port = readFileText(portFile_);
            if (!port.empty()) return std::stoi(port);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return 0;
    }
    std::string receivedMail() {
        for (int i = 0; i < 200; ++i) {
            const std::string mail = readFileText(mailFile_);
            if (!mail.empty()) return mail;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return {};
    }
    pid_t pid_ = 0;
    std::string portFile_, mailFile_;
};

TEST_F(SendMailTest, DeliversSenderNameSubjectAndBody) {
    const int port = startServer();
    ASSERT_GT(port, 0) << "the loopback SMTP server (python3-aiosmtpd) did not start";
    ASSERT_TRUE(
        u().SendMail("127.0.0.1:" + std::to_string(port), "operator@example.com", "Axis X is homed.\nCycle 12 done."));
    const std::string mail = receivedMail();
    EXPECT_NE(mail.find("MAIL FROM: noreply@vek.local\n"), std::string::npos) << mail;
    EXPECT_NE(mail.find("RCPT TO: operator@example.com\n"), std::string::npos) << mail;
    EXPECT_NE(mail.find("From: \"QDX Software\" <noreply@vek.local>\r\n"), std::string::npos) << mail;
    EXPECT_NE(mail.find("To: \"operator@example.com\" <operator@example.com>\r\n"), std::string::npos);
    EXPECT_NE(mail.find("Subject: Email from QDX Software\r\n"), std::string::npos);
    EXPECT_NE(mail.find("\r\n\r\nAxis X is homed.\r\nCycle 12 done.\r\n"), std::string::npos) << mail;
}

TEST_F(SendMailTest, AServerThatIsNotThereGivesFalse) {
    // A loopback port with nobody listening.
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    socklen_t len = sizeof addr;
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    close(s);
    EXPECT_FALSE(u().SendMail("127.0.0.1:" + std::to_string(ntohs(addr.sin_port)), "a@b.c", "x"));
    EXPECT_FALSE(u().SendMail("", "a@b.c", "x"));
    EXPECT_FALSE(u().SendMail("127.0.0.1:1", "", "x"));
}

}  // namespace
}  // namespace vek
