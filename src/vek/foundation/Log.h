#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "vek/foundation/Convert.h"
#include "vek/foundation/Event.h"

namespace vek {

namespace LogLevel {
enum Value : int32_t {
    UNDEFINED = -1,
    All = 0,
    TEMPORARY = 0,
    info = 1,
    WARNING = 2,
    Error = 3,
    LOGWINDOW = 4,
    DISPLAYONLY = 5,
    DEVELOPER = 6,
    ALWAYS = 7,
};
}  // namespace LogLevel

namespace LogSource {
enum Value : int32_t {
    All = -1,
    USER_SOURCE = 0,
    DATABASE_SOURCE = 1,
    MOTOR_SOURCE = 2,
    DLL_SOURCE = 3,
    APPLICATION_SOURCE = 4,
};
}  // namespace LogSource

namespace LogTime {
enum Value : int32_t { All = -1, LAST_FIVE_MINUTES = 0, LAST_ONE_HOUR = 1, TODAY = 2, THIS_WEEK = 3 };
}  // namespace LogTime

namespace LogStatus {
enum Value : int32_t { ok = 0, ATTENTION_NEEDED = 1 };
}  // namespace LogStatus

// The process log: appends to <install>/logs/logs.txt, rotates the file at
// start when it has grown past 1 MiB, and raises messagedLogged for every
// message that passes the level rules. Developer detail (level 6) passes only
// while the check given to setDeveloperDetail answers true: the composition
// root makes it ask the current user's role.
class Log {
public:
    Log();
    ~Log();
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    std::vector<std::string> logSourceNames() const { return logSourceNames_; }
    std::vector<std::string> logLevelNames() const { return logLevelNames_; }
    std::vector<std::string> logTimeNames() const { return logTimeNames_; }

    // Whether a message of `level` would be logged now.
    bool doLogMessage(int16_t level) const;
    // `source` and `code` are accepted for the host's benefit and not written.
    // Handlers of messagedLogged may change the message and the level; what
    // they leave is what the file gets.
    void LogMessage(const std::string& message, int16_t source = -1, const std::string& code = "Unknown",
                    int16_t level = 1);
    // Whether developer detail is wanted now; without a check it is not.
    void setDeveloperDetail(std::function<bool()> wanted) { developerDetail_ = std::move(wanted); }

    // Whether the log file is open for writing.
    bool isFileOpen() const { return file_ != nullptr; }
    // <install>/logs/logs.txt
    static std::string logFilePath();

    Event<std::string, int16_t> messagedLogged;

    // Shows the interactive user a warning (the log file could not be set up).
    // The default writes the text to standard error.
    static void setWarningDialog(std::function<void(const std::string&)> dialog);

    static constexpr std::uintmax_t kRotationSize = 1048576;

private:
    void open();
    void writeLine(const std::string& message);
    const std::string& timestamp();

    std::vector<std::string> logSourceNames_;
    std::vector<std::string> logLevelNames_;
    std::vector<std::string> logTimeNames_;
    std::FILE* file_ = nullptr;
    std::string line_;
    long long stampSecond_ = -1;
    std::string stamp_;
    std::function<bool()> developerDetail_;
};

// ---------------------------------------------------------------------------
// The process log as every part of vek reaches it. The composition root
// installs the process's Log; before that and after shut-down messages go
// nowhere. The level comes first so that a call cannot be mistaken for
// Log::LogMessage(message, source, code, level).
// ---------------------------------------------------------------------------
void setProcessLog(std::shared_ptr<Log> log);
Log* processLog();
// Whether a message of `level` would be logged now (false without a log).
bool logs(int16_t level);
// Logs `message` at `level`; the level is checked here, callers need no guard.
void logAt(int16_t level, const std::string& message, int16_t source = LogSource::All);
// The lazy form for texts that cost to build: makeMessage() runs only when a
// message of `level` is logged.
template <typename MakeMessage>
requires std::is_invocable_r_v<std::string, MakeMessage>
void logAt(int16_t level, MakeMessage&& makeMessage, int16_t source = LogSource::All) {
    if (logs(level)) logAt(level, std::forward<MakeMessage>(makeMessage)(), source);
}

}  // namespace vek
