#include "vek/foundation/Files.h"

#include <glob.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

namespace fs = std::filesystem;

namespace {
std::size_t lastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}
}  // namespace

void deleteFile(const std::string& fileName) {
    const std::string path = toNativePath(fileName);
    glob_t found{};
    const int result = glob(path.c_str(), GLOB_NOSORT, nullptr, &found);
    if (result == 0) {
        for (std::size_t i = 0; i < found.gl_pathc; ++i) {
            std::error_code ec;
            if (fs::is_regular_file(found.gl_pathv[i], ec)) fs::remove(found.gl_pathv[i], ec);
        }
    }
    globfree(&found);
    if (result != 0) throw NumberedError::platform(PlatformErrors::FILE_NOT_FOUND);
}

void writeFile(const std::string& fileName, const std::string& buffer, bool append) {
    std::ofstream out(toNativePath(fileName), std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    if (!out) return;
    out << buffer << "\r\n";
}

std::string directoryOfFileFromPath(const std::string& filePath) {
    const std::size_t at = lastSeparator(filePath);
    return at == std::string::npos ? std::string() : filePath.substr(0, at + 1);
}

std::string nameOfFileFromPath(const std::string& filePath) {
    const std::size_t sep = lastSeparator(filePath);
    const std::size_t start = sep == std::string::npos ? 0 : sep + 1;
    const std::size_t dot = filePath.rfind('.');
    if (dot == std::string::npos || dot < start) return filePath.substr(start);
    return filePath.substr(start, dot - start);
}

std::string getExtension(const std::string& filePath) {
    return filePath.size() <= 3 ? filePath : filePath.substr(filePath.size() - 3);
}

DateTime getFileCreationTime(const std::string& filePath) {
    std::error_code ec;
    const auto written = fs::last_write_time(toNativePath(filePath), ec);
    if (ec) throw NumberedError::platform(PlatformErrors::FILE_NOT_FOUND);
    // libstdc++ 12 has no clock_cast; both clocks tick at the same rate.
    using namespace std::chrono;
    return time_point_cast<system_clock::duration>(written - fs::file_time_type::clock::now() + system_clock::now());
}

std::vector<std::string> readLines(const std::string& filePath, const std::string& commentChar, bool skipBlankLine) {
    std::vector<std::string> lines;
    std::ifstream in(toNativePath(filePath), std::ios::binary);
    if (!in) return lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string t = trim(line);
        if (skipBlankLine && t.empty()) continue;
        if (!commentChar.empty() && t.compare(0, commentChar.size(), commentChar) == 0) continue;
        lines.push_back(line);
    }
    return lines;
}

std::string ReadFile(const std::string& filePath, const std::string& commentChar, bool skipBlankLine) {
    std::string out;
    for (const auto& line : readLines(filePath, commentChar, skipBlankLine)) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::shared_ptr<Collection<std::string>> fileToCollection(const std::string& filePath, const std::string& commentChar,
                                                          bool skipBlankLine) {
    auto lines = std::make_shared<Collection<std::string>>();
    for (auto& line : readLines(filePath, commentChar, skipBlankLine)) lines->add(std::move(line));
    return lines;
}

void renameFile(const std::string& fromFile, const std::string& toFile) {
    if (!isFilePresent(fromFile)) raiseInvalidArgument("File " + fromFile + " doesn't exist.");
    std::error_code ec;
    fs::rename(toNativePath(fromFile), toNativePath(toFile), ec);
    if (ec) throw NumberedError::platform(PlatformErrors::PATH_FILE_ACCESS_ERROR);
}

bool copyBinaryFile(const std::string& fromFile, const std::string& toFile) {
    std::ifstream in(toNativePath(fromFile), std::ios::binary);
    if (!in) return false;
    std::ofstream out(toNativePath(toFile), std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << in.rdbuf();
    out.flush();
    return static_cast<bool>(out);
}

bool copyToNewFile(const std::string& fromFile, const std::string& toFile) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(toNativePath(fromFile).c_str(), "rb"), &std::fclose);
    if (!in) return false;
    const std::string target = toNativePath(toFile);
    std::FILE* out = std::fopen(target.c_str(), "wbx");
    if (!out) return false;
    std::array<char, 65536> buffer{};
    bool ok = true;
    while (ok) {
        const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in.get());
        ok = std::fwrite(buffer.data(), 1, n, out) == n;
        if (n < buffer.size()) break;
    }
    ok = ok && !std::ferror(in.get());
    ok = std::fclose(out) == 0 && ok;
    if (!ok) std::remove(target.c_str());
    return ok;
}

bool pathExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(toNativePath(path), ec));
}

bool isFilePresent(const std::string& filePath) {
    std::error_code ec;
    return !filePath.empty() && fs::is_regular_file(toNativePath(filePath), ec);
}

bool isDirPresent(const std::string& dirPath) {
    std::error_code ec;
    return !dirPath.empty() && fs::is_directory(toNativePath(dirPath), ec);
}

std::shared_ptr<Collection<std::string>> getFiles(const std::string& dirPath, const std::string& ext) {
    auto files = std::make_shared<Collection<std::string>>();
    std::vector<std::string> names;
    const std::string suffix = "." + ext;
    std::error_code ec;
    for (fs::directory_iterator it(toNativePath(dirPath), ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string name = it->path().filename().string();
        if (name.size() >= 4 && name.compare(name.size() - 4, 4, suffix) == 0) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    for (auto& n : names) files->add(std::move(n));
    return files;
}

}  // namespace vek
