#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TempInstall.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Log.h"
#include "vek/motion/Runtime.h"

namespace vek {
namespace {

namespace fs = std::filesystem;
using test::readFileText;
using test::TempInstall;

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        shutDown();
        eventLoop().setClock(clock_);
        Log::setWarningDialog([this](const std::string& text) { dialogs_.push_back(text); });
    }
    void TearDown() override {
        shutDown();
        Log::setWarningDialog(nullptr);
        eventLoop().setClock(nullptr);
    }
    long logFiles() const { return std::distance(fs::directory_iterator(install_.file("logs")), {}); }

    TempInstall install_;
    std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
    std::vector<std::string> dialogs_;
};

TEST_F(LogTest, AFileOfOneMebibyteIsAppendedToAndALargerOneRotatedAway) {
    fs::create_directories(install_.file("logs"));
    std::ofstream(Log::logFilePath(), std::ios::binary) << std::string(1048576, 'x');
    {
        Log log;
        log.LogMessage("hello");
    }
    EXPECT_EQ(logFiles(), 1);
    const std::string text = readFileText(Log::logFilePath());
    EXPECT_EQ(text.size(), 1048576 + 22 + 5 + 2);  // "[YYYY-MM-DD HH:MM:SS] " + "hello" + CR LF
    EXPECT_EQ(text.substr(1048576 + 21), " hello\r\n");

    Log log;  // now past the limit: the old file is named after the minute, without leading zeros
    const std::time_t t = std::chrono::system_clock::to_time_t(clock_->wallNow());
    std::tm tm{};
    char name[64];
    std::strftime(name, sizeof name, "logs/logs_%Y_%-m_%-d_%-H_%-M.txt", localtime_r(&t, &tm));
    EXPECT_EQ(logFiles(), 2);
    EXPECT_EQ(fs::file_size(install_.file(name)), text.size());
    const std::string fresh = readFileText(Log::logFilePath());
    EXPECT_EQ(fresh.substr(0, 1), "[");
    EXPECT_EQ(fresh.substr(21), " Previous log file is " + install_.file(name) + "\r\n\r\n\r\n");
}

// Levels decide between event, file and nothing; developer detail (6)
// passes only while the check says so, -1 never. The last entry is
// developer detail.
TEST_F(LogTest, LevelsDecideBetweenEventFileAndNothing) {
    auto log = std::make_unique<Log>();
    std::vector<std::pair<std::string, int>> events;
    log->messagedLogged.connect([&](std::string& m, int16_t& l) { events.emplace_back(m, l); });
    EXPECT_FALSE(log->doLogMessage(6)) << "no check: no developer detail";
    bool developer = false;
    log->setDeveloperDetail([&] { return developer; });
    for (int16_t level : {-1, 0, 1, 2, 3, 4, 5, 6, 7})
        log->LogMessage("level " + std::to_string(level), -1, "x", level);
    developer = true;
    EXPECT_TRUE(log->doLogMessage(6));
    EXPECT_FALSE(log->doLogMessage(-1));
    log->LogMessage("dev on", -1, "Unknown", 6);
    std::vector<std::pair<std::string, int>> expected{{"level 0", 0}, {"level 1", 1}, {"level 2", 2}, {"level 3", 3},
                                                      {"level 4", 4}, {"level 5", 5}, {"level 7", 7}, {"dev on", 6}};
    EXPECT_EQ(events, expected);
    log.reset();
    const std::string text = readFileText(Log::logFilePath());
    EXPECT_NE(text.find("] Last Log Message before log terminates.\r\n"), std::string::npos);
    for (const char* written : {"level 1", "level 2", "level 3", "level 7", "dev on"})
        EXPECT_NE(text.find(std::string("] ") + written + "\r\n"), std::string::npos) << written;
    for (const char* notWritten : {"level -1", "level 0", "level 4", "level 5", "level 6"})
        EXPECT_EQ(text.find(notWritten), std::string::npos) << notWritten;
}

TEST_F(LogTest, HandlersDecideWhatTheFileGets) {
    Log log;
    log.messagedLogged.connect([](std::string& m, int16_t& l) {
        m = "[masked] " + m.substr(0, 3);
        if (l == 2) l = 5;  // shown, not written
    });
    log.LogMessage("secret text");
    log.LogMessage("warning text", -1, "Unknown", 2);
    const std::string text = readFileText(Log::logFilePath());
    EXPECT_NE(text.find("] [masked] sec\r\n"), std::string::npos);
    EXPECT_EQ(text.find("secret text"), std::string::npos);
    EXPECT_EQ(text.find("war"), std::string::npos);
}

// A failing write closes the file for good; a file that cannot be opened
// warns once. Events flow all the same.
TEST_F(LogTest, FileTroubleNeverStopsTheEvents) {
    int events = 0;
    fs::create_directories(install_.file("logs"));
    fs::create_symlink("/dev/full", Log::logFilePath());
    {
        Log log;
        ASSERT_TRUE(log.isFileOpen());
        log.messagedLogged.connect([&](std::string&, int16_t&) { ++events; });
        log.LogMessage("lost");
        EXPECT_FALSE(log.isFileOpen());
        log.LogMessage("still raised");
    }
    fs::remove(Log::logFilePath());
    fs::create_directories(Log::logFilePath());  // a folder where the file should be
    Log log;
    EXPECT_FALSE(log.isFileOpen());
    ASSERT_EQ(dialogs_.size(), 1u);
    EXPECT_EQ(dialogs_[0], "Error creating log file " + Log::logFilePath() +
                               ".\r\nCheck permissions and close any other application or another instance "
                               "accessing it.");
    log.messagedLogged.connect([&](std::string&, int16_t&) { ++events; });
    log.LogMessage("a");
    log.LogMessage("b", -1, "Unknown", 3);
    EXPECT_EQ(events, 4);
    EXPECT_EQ(dialogs_.size(), 1u);
}

TEST_F(LogTest, StartUpWritesTheSeparatorFirst) {
    startUp();
    const std::string text = readFileText(Log::logFilePath());
    EXPECT_EQ(text.substr(21), " " + std::string(46, '=') + "\r\n");
}

}  // namespace
}  // namespace vek
