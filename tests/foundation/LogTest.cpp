#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TempInstall.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/Log.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/User.h"

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
    void writeLogOfSize(std::uintmax_t size) {
        fs::create_directories(install_.file("logs"));
        std::ofstream(Log::logFilePath(), std::ios::binary) << std::string(size, 'x');
    }
    std::vector<std::string> rotatedFiles() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(install_.file("logs")))
            if (e.path().filename() != "logs.txt") names.push_back(e.path().filename().string());
        return names;
    }

    TempInstall install_;
    std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
    std::vector<std::string> dialogs_;
};

TEST_F(LogTest, AFileOfExactlyOneMebibyteIsAppendedTo) {
    writeLogOfSize(1048576);
    {
        Log log;
        log.LogMessage("hello");
    }
    EXPECT_TRUE(rotatedFiles().empty());
    const std::string text = readFileText(Log::logFilePath());
    EXPECT_EQ(text.size(), 1048576 + 22 + 5 + 2);  // "[YYYY-MM-DD HH:MM:SS] " + "hello" + CR LF
    EXPECT_EQ(text.substr(1048576 + 21), " hello\r\n");
}

TEST_F(LogTest, ALargerFileIsRotatedAndTheNewFileNamesIt) {
    writeLogOfSize(1048577);
    Log log;
    const auto rotated = rotatedFiles();
    ASSERT_EQ(rotated.size(), 1u);
    EXPECT_EQ(fs::file_size(install_.file("logs/" + rotated[0])), 1048577u);
    EXPECT_TRUE(rotated[0].rfind("logs_", 0) == 0);
    // Year, month, day, hour and minute without leading zeros.
    const std::time_t t = std::chrono::system_clock::to_time_t(clock_->wallNow());
    std::tm tm{};
    localtime_r(&t, &tm);
    const std::string expected = "logs_" + std::to_string(tm.tm_year + 1900) + "_" + std::to_string(tm.tm_mon + 1) +
                                 "_" + std::to_string(tm.tm_mday) + "_" + std::to_string(tm.tm_hour) + "_" +
                                 std::to_string(tm.tm_min) + ".txt";
    EXPECT_EQ(rotated[0], expected);
    const std::string text = readFileText(Log::logFilePath());
    EXPECT_EQ(text.substr(0, 1), "[");
    EXPECT_EQ(text.substr(21), " Previous log file is " + install_.file("logs/" + expected) + "\r\n\r\n\r\n");
}

TEST_F(LogTest, LevelsDecideBetweenEventFileAndNothing) {
    Log log;
    std::vector<std::pair<std::string, int>> events;
    log.messagedLogged.connect([&](std::string& m, int16_t& l) { events.emplace_back(m, l); });
    for (int16_t level : {-1, 0, 1, 2, 3, 4, 5, 6, 7}) log.LogMessage("level " + std::to_string(level), -1, "x", level);
    const std::string text = readFileText(Log::logFilePath());
    // Level 6 is dropped for a user without a developer role; -1 always.
    std::vector<std::pair<std::string, int>> expected{{"level 0", 0}, {"level 1", 1}, {"level 2", 2}, {"level 3", 3},
                                                      {"level 4", 4}, {"level 5", 5}, {"level 7", 7}};
    EXPECT_EQ(events, expected);
    for (const char* written : {"level 1", "level 2", "level 3", "level 7"})
        EXPECT_NE(text.find(std::string("] ") + written + "\r\n"), std::string::npos) << written;
    for (const char* notWritten : {"level -1", "level 0", "level 4", "level 5", "level 6"})
        EXPECT_EQ(text.find(notWritten), std::string::npos) << notWritten;
}

TEST_F(LogTest, DeveloperMessagesPassOnlyWhileTheCheckSaysSo) {
    Log log;
    EXPECT_FALSE(log.doLogMessage(6)) << "no check: no developer detail";
    bool developer = false;
    log.setDeveloperDetail([&] { return developer; });
    log.LogMessage("dev off", -1, "Unknown", 6);
    developer = true;
    EXPECT_TRUE(log.doLogMessage(6));
    log.LogMessage("dev on", -1, "Unknown", 6);
    const std::string text = readFileText(Log::logFilePath());
    EXPECT_EQ(text.find("dev off"), std::string::npos);
    EXPECT_NE(text.find("] dev on\r\n"), std::string::npos);
    EXPECT_FALSE(log.doLogMessage(-1));
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

TEST_F(LogTest, AnUnopenableFileWarnsOnceAndEventsStillFlow) {
    fs::create_directories(Log::logFilePath());  // a folder where the file should be
    Log log;
    EXPECT_FALSE(log.isFileOpen());
    ASSERT_EQ(dialogs_.size(), 1u);
    EXPECT_EQ(dialogs_[0], "Error creating log file " + Log::logFilePath() +
                               ".\r\nCheck permissions and close any other application or another instance "
                               "accessing it.");
    int events = 0;
    log.messagedLogged.connect([&](std::string&, int16_t&) { ++events; });
    log.LogMessage("a");
    log.LogMessage("b", -1, "Unknown", 3);
    EXPECT_EQ(events, 2);
    EXPECT_EQ(dialogs_.size(), 1u);
}

TEST_F(LogTest, AFailingWriteClosesTheFileForGood) {
    fs::create_directories(install_.file("logs"));
    fs::create_symlink("/dev/full", Log::logFilePath());
    Log log;
    ASSERT_TRUE(log.isFileOpen());
    int events = 0;
    log.messagedLogged.connect([&](std::string&, int16_t&) { ++events; });
    log.LogMessage("lost");
    EXPECT_FALSE(log.isFileOpen());
    log.LogMessage("still raised");
    EXPECT_EQ(events, 2);
}

TEST_F(LogTest, NameArraysAndTheLastEntry) {
    {
        Log log;
        EXPECT_EQ(log.logSourceNames(), (std::vector<std::string>{"User", "Database", "Motor", "DLL", "Application"}));
        EXPECT_EQ(log.logLevelNames(), (std::vector<std::string>{"Temporary", "Info", "Warning", "Error"}));
        EXPECT_EQ(log.logTimeNames().at(3), "This week");
        log.setDeveloperDetail([] { return true; });
    }
    EXPECT_NE(readFileText(Log::logFilePath()).find("] Last Log Message before log terminates.\r\n"),
              std::string::npos);
}

TEST_F(LogTest, StartUpWritesTheSeparatorFirst) {
    startUp();
    const std::string text = readFileText(Log::logFilePath());
    EXPECT_EQ(text.substr(21), " " + std::string(46, '=') + "\r\n");
    EXPECT_TRUE(runtime().utils && runtime().user && runtime().log && runtime().error);
}

}  // namespace
}  // namespace vek
