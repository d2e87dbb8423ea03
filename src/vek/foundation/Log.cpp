#include "vek/foundation/Log.h"

#include <ctime>
#include <filesystem>
#include <iostream>

#include "vek/foundation/EventLoop.h"
#include "vek/foundation/InstallFolder.h"

namespace vek {

namespace fs = std::filesystem;

namespace {
std::function<void(const std::string&)>& warningDialog() {
    static std::function<void(const std::string&)> dialog = [](const std::string& text) {
        std::cerr << "vek: " << text << std::endl;
    };
    return dialog;
}

std::string rotatedName(const std::string& folder, DateTime now) {
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    return joinPath(folder, "logs_" + std::to_string(tm.tm_year + 1900) + "_" + std::to_string(tm.tm_mon + 1) + "_" +
                                std::to_string(tm.tm_mday) + "_" + std::to_string(tm.tm_hour) + "_" +
                                std::to_string(tm.tm_min) + ".txt");
}
}  // namespace

void Log::setWarningDialog(std::function<void(const std::string&)> dialog) {
    warningDialog() = dialog ? std::move(dialog) : [](const std::string&) {};
}

std::string Log::logFilePath() {
    return joinPath(installSubfolder(InstallSubfolder::logs), "logs.txt");
}

Log::Log()
    : logSourceNames_{"User", "Database", "Motor", "DLL", "Application"},
      logLevelNames_{"Temporary", "Info", "Warning", "Error"},
      logTimeNames_{"Last 5 minutes", "Last 1 hour", "Today", "This week"} {
    open();
}

void Log::open() {
    const std::string folder = installSubfolder(InstallSubfolder::logs);
    const std::string path = logFilePath();
    std::string rotatedTo;
    try {
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) fs::create_directories(folder);
        if (fs::is_regular_file(path, ec) && fs::file_size(path) > kRotationSize) {
            rotatedTo = rotatedName(folder, eventLoop().clock().wallNow());
            fs::rename(path, rotatedTo);
        }
        file_ = std::fopen(path.c_str(), "ab");
        if (!file_) throw fs::filesystem_error("open", path, std::make_error_code(std::errc::io_error));
    } catch (const std::exception&) {
        warningDialog()("Error creating log file " + path + "." + "\r\n" +
                        "Check permissions and close any other application or another instance accessing it.");
        return;
    }
    if (!rotatedTo.empty()) LogMessage("Previous log file is " + rotatedTo + "\r\n\r\n", -1, "Unknown", 1);
}

Log::~Log() {
    LogMessage("Last Log Message before log terminates.", -1, "Unknown", 6);
    if (file_) std::fclose(file_);
}

bool Log::doLogMessage(int16_t level) const {
    if (level == LogLevel::UNDEFINED) return false;
    if (level != LogLevel::DEVELOPER) return true;
    return developerDetail_ && developerDetail_();
}

void Log::LogMessage(const std::string& message, int16_t source, const std::string& code, int16_t level) {
    (void)source;
    (void)code;
    if (!doLogMessage(level)) return;
    // Levels 0, 4 and 5 are for the host's eyes only.
    auto written = [](int16_t l) {
        return l != LogLevel::TEMPORARY && l != LogLevel::LOGWINDOW && l != LogLevel::DISPLAYONLY;
    };
    if (messagedLogged.handlerCount() == 0) {
        if (written(level)) writeLine(message);
        return;
    }
    std::string m = message;
    int16_t l = level;
    messagedLogged.raise(m, l);
    if (written(l)) writeLine(m);
}

const std::string& Log::timestamp() {
    const DateTime now = eventLoop().clock().wallNow();
    const long long second = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
    if (second != stampSecond_) {
        stampSecond_ = second;
        stamp_ = formatDateTime(now);
    }
    return stamp_;
}

void Log::writeLine(const std::string& message) {
    if (!file_) return;
    line_.clear();
    line_ += '[';
    line_ += timestamp();
    line_ += "] ";
    line_ += message;
    line_ += "\r\n";
    // Flushed per line so that nothing logged is lost if the host dies; a
    // failing write closes the file for the life of this log.
    if (std::fwrite(line_.data(), 1, line_.size(), file_) != line_.size() || std::fflush(file_) != 0) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

namespace {
// Never destroyed: objects released at process exit still log through it.
std::shared_ptr<Log>& processLogSlot() {
    static auto* log = new std::shared_ptr<Log>();
    return *log;
}
}  // namespace

void setProcessLog(std::shared_ptr<Log> log) {
    processLogSlot() = std::move(log);
}

Log* processLog() {
    return processLogSlot().get();
}

bool logs(int16_t level) {
    const Log* log = processLog();
    return log && log->doLogMessage(level);
}

void logAt(int16_t level, const std::string& message, int16_t source) {
    if (Log* log = processLog()) log->LogMessage(message, source, "Unknown", level);
}

}  // namespace vek
