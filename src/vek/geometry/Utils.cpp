#include "vek/geometry/Utils.h"

#include <chrono>
#include <cmath>

#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Files.h"
#include "vek/foundation/Mail.h"
#include "vek/foundation/NetAddress.h"
#include "vek/foundation/NumberedError.h"
#include "vek/foundation/Text.h"
#include "vek/foundation/Wait.h"

namespace vek {

Utils::Utils()
    : random_(static_cast<std::mt19937::result_type>(std::chrono::system_clock::now().time_since_epoch().count())) {}

std::string Utils::removeCharacters(const std::string& tmpString, const std::string& charToRemove) const {
    return vek::removeCharacters(tmpString, charToRemove);
}
std::string Utils::getHexFromByte(uint8_t tmpByte) const {
    return vek::getHexFromByte(tmpByte);
}
std::string Utils::getNormalizedEthernetAddress(const std::string& address) const {
    return vek::getNormalizedEthernetAddress(address);
}
bool Utils::isValidIP(const std::string& ip) const {
    return vek::isValidIP(ip);
}
bool Utils::isValidVariableName(const std::string& name) const {
    return vek::isValidVariableName(name);
}
std::vector<std::string> Utils::splitTokens(const std::string& text, const std::string& delimiter) const {
    return vek::splitTokens(text, delimiter);
}
std::shared_ptr<Collection<std::string>> Utils::getTokensFromArrayAssignment(const std::string& line,
                                                                             const std::string& arrayName) const {
    return vek::getTokensFromArrayAssignment(line, arrayName);
}
bool Utils::isLike(const std::string& text, const std::string& pattern) {
    return vek::isLike(text, pattern);
}

void Utils::wait(double numberOfSeconds) const {
    vek::wait(numberOfSeconds);
}

int32_t Utils::random(int32_t Low, int32_t High) {
    const int64_t span = static_cast<int64_t>(High) - Low + 1;
    if (span > INT32_MAX || span < INT32_MIN) throw NumberedError::platform(PlatformErrors::OVERFLOW_ERROR);
    const double r = std::generate_canonical<double, 53>(random_);
    return static_cast<int32_t>(std::floor(r * static_cast<double>(span)) + Low);
}

void Utils::deleteFile(const std::string& fileName) const {
    vek::deleteFile(fileName);
}
void Utils::writeFile(const std::string& fileName, const std::string& buffer, bool append) const {
    vek::writeFile(fileName, buffer, append);
}
std::string Utils::directoryOfFileFromPath(const std::string& filePath) const {
    return vek::directoryOfFileFromPath(filePath);
}
std::string Utils::nameOfFileFromPath(const std::string& filePath) const {
    return vek::nameOfFileFromPath(filePath);
}
std::string Utils::getExtension(const std::string& filePath) const {
    return vek::getExtension(filePath);
}
DateTime Utils::getFileCreationTime(const std::string& filePath) const {
    return vek::getFileCreationTime(filePath);
}
std::string Utils::ReadFile(const std::string& filePath, const std::string& commentChar, bool skipBlankLine) const {
    return vek::ReadFile(filePath, commentChar, skipBlankLine);
}
std::shared_ptr<Collection<std::string>> Utils::fileToCollection(const std::string& filePath,
                                                                 const std::string& commentChar,
                                                                 bool skipBlankLine) const {
    return vek::fileToCollection(filePath, commentChar, skipBlankLine);
}
void Utils::renameFile(const std::string& fromFile, const std::string& toFile) const {
    vek::renameFile(fromFile, toFile);
}
void Utils::copyBinaryFile(const std::string& fromFile, const std::string& toFile) const {
    (void)vek::copyBinaryFile(fromFile, toFile);
}
bool Utils::isFilePresent(const std::string& filePath) const {
    return vek::isFilePresent(filePath);
}
bool Utils::isDirPresent(const std::string& dirPath) const {
    return vek::isDirPresent(dirPath);
}
std::shared_ptr<Collection<std::string>> Utils::getFiles(const std::string& dirPath, const std::string& ext) const {
    return vek::getFiles(dirPath, ext);
}

bool Utils::SendMail(const std::string& smtpServer, const std::string& recipient, const std::string& message) const {
    return vek::SendMail(smtpServer, recipient, message);
}

}  // namespace vek
