#include "vek/foundation/Utils.h"

#include <curl/curl.h>
#include <glob.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/NumberedError.h"
#include "vek/geometry/FastRound.h"
#include "vek/geometry/Node.h"
#include "vek/motion/Runtime.h"

namespace vek {

namespace fs = std::filesystem;

namespace {

std::size_t lastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}

// One part of an Ethernet address as a number 0..255.
int unsignedBytePart(const std::string& part) {
    double v = 0;
    try {
        v = toDouble(part);
    } catch (const NumberedError&) {
        raiseInvalidArgument("Number is not unsigned byte");
    }
    if (!(v >= 0 && v <= 255)) raiseInvalidArgument("Number is not unsigned byte");
    return toInt32(v);
}

}  // namespace

Utils::Utils()
    : random_(static_cast<std::mt19937::result_type>(std::chrono::system_clock::now().time_since_epoch().count())) {}

std::string Utils::removeCharacters(const std::string& tmpString, const std::string& charToRemove) const {
    if (charToRemove.empty()) return tmpString;
    std::string out;
    out.reserve(tmpString.size());
    std::size_t i = 0;
    while (i < tmpString.size()) {
        if (tmpString.compare(i, charToRemove.size(), charToRemove) == 0) {
            i += charToRemove.size();
        } else {
            out += tmpString[i++];
        }
    }
    return out;
}

std::string Utils::getHexFromByte(uint8_t tmpByte) const {
    static constexpr char digits[] = "0123456789ABCDEF";
    return {digits[tmpByte >> 4], digits[tmpByte & 0x0F]};
}

std::string Utils::getNormalizedEthernetAddress(const std::string& address) const {
    const auto parts = splitTokens(address, ".");
    if (parts.size() != 4) return {};
    std::string out;
    try {
        for (const auto& part : parts) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "%03d", unsignedBytePart(part));
            if (!out.empty()) out += '.';
            out += buf;
        }
    } catch (const NumberedError&) {
        return {};  // a part outside 0..255 makes no address
    }
    return out;
}

bool Utils::isValidIP(const std::string& ip) const {
    const std::string t = trim(ip);
    return !t.empty() && !getNormalizedEthernetAddress(t).empty();
}

bool Utils::isValidVariableName(const std::string& name) const {
    const std::string t = trim(name);
    if (t.empty()) return false;
    static constexpr const char* forbidden = " !@#$%^&*()+=[]{}-,./\\|";
    if (t.find_first_of(forbidden) != std::string::npos) return false;
    if (isNumeric(t)) return false;
    return !(t[0] >= '0' && t[0] <= '9');
}

std::vector<std::string> Utils::splitTokens(const std::string& text, const std::string& delimiter) const {
    std::vector<std::string> tokens;
    if (delimiter.empty()) {
        tokens.push_back(text);
        return tokens;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(delimiter, start);
        if (at == std::string::npos) break;
        tokens.push_back(text.substr(start, at - start));
        start = at + delimiter.size();
    }
    tokens.push_back(text.substr(start));
    return tokens;
}

bool Utils::isLike(const std::string& text, const std::string& pattern) {
    // Iterative wildcard match with backtracking to the last '*'.
    std::size_t t = 0, p = 0, star = std::string::npos, mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++t;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::shared_ptr<Collection<std::string>> Utils::getTokensFromArrayAssignment(const std::string& line,
                                                                             const std::string& arrayName) const {
    if (!isLike(line, arrayName + "?*?*=*")) return nullptr;
    const auto sides = splitTokens(line, "=");
    if (sides.size() != 2) return nullptr;
    const std::size_t open = sides[0].find('[');
    const std::size_t close = sides[0].find(']', open == std::string::npos ? 0 : open);
    if (open == std::string::npos || close == std::string::npos) return nullptr;
    const std::string name = sides[0].substr(0, open);
    if (!isLike(name, arrayName)) return nullptr;
    auto tokens = std::make_shared<Collection<std::string>>();
    try {
        tokens->add(name);
        tokens->add(toText(toInt16(toDouble(sides[0].substr(open + 1, close - open - 1)))));
        tokens->add(toText(toInt32(toDouble(sides[1]))));
    } catch (const NumberedError&) {
        return nullptr;  // an index or value that is not a number is no assignment
    }
    return tokens;
}

void Utils::wait(double numberOfSeconds) const {
    eventLoop().wait(numberOfSeconds);
}

int32_t Utils::random(int32_t Low, int32_t High) {
    const int64_t span = static_cast<int64_t>(High) - Low + 1;
    if (span > INT32_MAX || span < INT32_MIN) throw NumberedError::platform(PlatformErrors::OVERFLOW_ERROR);
    const double r = std::generate_canonical<double, 53>(random_);
    return static_cast<int32_t>(std::floor(r * static_cast<double>(span)) + Low);
}

void Utils::deleteFile(const std::string& fileName) const {
    const std::string path = toNativePath(fileName);
    glob_t found{};
    if (glob(path.c_str(), GLOB_NOSORT, nullptr, &found) == 0) {
        for (std::size_t i = 0; i < found.gl_pathc; ++i) {
            std::error_code ec;
            if (fs::is_regular_file(found.gl_pathv[i], ec)) fs::remove(found.gl_pathv[i], ec);
        }
        globfree(&found);
        return;
    }
    globfree(&found);
    throw NumberedError::platform(PlatformErrors::FILE_NOT_FOUND);
}

void Utils::writeFile(const std::string& fileName, const std::string& buffer, bool append) const {
    std::ofstream out(toNativePath(fileName), std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    if (!out) return;
    out << buffer << "\r\n";
}

std::string Utils::directoryOfFileFromPath(const std::string& filePath) const {
    const std::size_t at = lastSeparator(filePath);
    return at == std::string::npos ? std::string() : filePath.substr(0, at + 1);
}

std::string Utils::nameOfFileFromPath(const std::string& filePath) const {
    const std::size_t sep = lastSeparator(filePath);
    const std::size_t start = sep == std::string::npos ? 0 : sep + 1;
    const std::size_t dot = filePath.rfind('.');
    if (dot == std::string::npos || dot < start) return filePath.substr(start);
    return filePath.substr(start, dot - start);
}

std::string Utils::getExtension(const std::string& filePath) const {
    return filePath.size() <= 3 ? filePath : filePath.substr(filePath.size() - 3);
}

DateTime Utils::getFileCreationTime(const std::string& filePath) const {
    std::error_code ec;
    const auto written = fs::last_write_time(toNativePath(filePath), ec);
    if (ec) throw NumberedError::platform(PlatformErrors::FILE_NOT_FOUND);
    // libstdc++ 12 has no clock_cast; both clocks tick at the same rate.
    using namespace std::chrono;
    return time_point_cast<system_clock::duration>(written - fs::file_time_type::clock::now() + system_clock::now());
}

std::vector<std::string> Utils::selectedLines(const std::string& filePath, const std::string& commentChar,
                                              bool skipBlankLine) const {
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

std::string Utils::ReadFile(const std::string& filePath, const std::string& commentChar, bool skipBlankLine) const {
    std::string out;
    for (const auto& line : selectedLines(filePath, commentChar, skipBlankLine)) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::shared_ptr<Collection<std::string>> Utils::fileToCollection(const std::string& filePath,
                                                                 const std::string& commentChar,
                                                                 bool skipBlankLine) const {
    auto lines = std::make_shared<Collection<std::string>>();
    for (auto& line : selectedLines(filePath, commentChar, skipBlankLine)) lines->add(std::move(line));
    return lines;
}

void Utils::renameFile(const std::string& fromFile, const std::string& toFile) const {
    if (!isFilePresent(fromFile)) raiseInvalidArgument("File " + fromFile + " doesn't exist.");
    std::error_code ec;
    fs::rename(toNativePath(fromFile), toNativePath(toFile), ec);
    if (ec) throw NumberedError::platform(PlatformErrors::PATH_FILE_ACCESS_ERROR);
}

void Utils::copyBinaryFile(const std::string& fromFile, const std::string& toFile) const {
    std::ifstream in(toNativePath(fromFile), std::ios::binary);
    if (!in) return;
    std::ofstream out(toNativePath(toFile), std::ios::binary | std::ios::trunc);
    if (!out) return;
    out << in.rdbuf();
}

bool Utils::isFilePresent(const std::string& filePath) const {
    std::error_code ec;
    return !filePath.empty() && fs::is_regular_file(toNativePath(filePath), ec);
}

bool Utils::isDirPresent(const std::string& dirPath) const {
    std::error_code ec;
    return !dirPath.empty() && fs::is_directory(toNativePath(dirPath), ec);
}

std::shared_ptr<Collection<std::string>> Utils::getFiles(const std::string& dirPath, const std::string& ext) const {
    auto files = std::make_shared<Collection<std::string>>();
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(toNativePath(dirPath), ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string name = it->path().filename().string();
        const std::string suffix = "." + ext;
        if (name.size() >= 4 && name.compare(name.size() - 4, 4, suffix) == 0) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    for (auto& n : names) files->add(std::move(n));
    return files;
}

namespace {

struct MailPayload {
    std::string text;
    std::size_t sent = 0;
};

std::size_t readPayload(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* payload = static_cast<MailPayload*>(user);
    const std::size_t room = size * count;
    const std::size_t n = std::min(room, payload->text.size() - payload->sent);
    std::memcpy(buffer, payload->text.data() + payload->sent, n);
    payload->sent += n;
    return n;
}

// Mail bodies travel with CR LF line ends.
std::string withCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

}  // namespace

bool Utils::SendMail(const std::string& smtpServer, const std::string& recipient, const std::string& message) const {
    static const bool curlReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!curlReady || trim(smtpServer).empty() || trim(recipient).empty()) return false;
    CURL* curl = curl_easy_init();
    if (!curl) return false;

    MailPayload payload;
    payload.text = "To: \"" + recipient + "\" <" + recipient + ">\r\n" + "From: \"" + kMailSenderName + "\" <" +
                   kMailSenderAddress + ">\r\n" + "Subject: Email from QDX Software\r\n" +
                   "X-Message-Kind: InformationOnly\r\n" + "MIME-Version: 1.0\r\n" +
                   "Content-Type: text/plain; charset=utf-8\r\n" + "\r\n" + withCrLf(message) + "\r\n";

    curl_slist* recipients = curl_slist_append(nullptr, ("<" + recipient + ">").c_str());
    const std::string url = "smtp://" + trim(smtpServer);
    const std::string from = std::string("<") + kMailSenderAddress + ">";
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.c_str());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readPayload);
    curl_easy_setopt(curl, CURLOPT_READDATA, &payload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // An unreachable server must not hold the host's thread for long.
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 10L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    const CURLcode result = curl_easy_perform(curl);
    curl_slist_free_all(recipients);
    curl_easy_cleanup(curl);
    return result == CURLE_OK;
}

}  // namespace vek

// ---------------------------------------------------------------------------
// Geometry
// ---------------------------------------------------------------------------

namespace vek {

namespace {

// Axis differences are 32-bit differences, as stored positions are.
double axisDifference(int32_t to, int32_t from) {
    const int64_t d = static_cast<int64_t>(to) - static_cast<int64_t>(from);
    if (d < INT32_MIN || d > INT32_MAX) throw NumberedError::platform(PlatformErrors::OVERFLOW_ERROR);
    return static_cast<double>(d);
}

double divide(double numerator, double denominator) {
    if (denominator == 0.0) throw NumberedError::platform(PlatformErrors::DIVISION_BY_ZERO);
    return numerator / denominator;
}

void requireIndex(const Utils::Vector& v, std::size_t index) {
    if (v.size() <= index) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
}

void requireMatrix(const Utils::Matrix& m, std::size_t index) {
    if (m.size() <= index) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    for (const auto& row : m)
        if (row.size() <= index) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
}

// The 1e-8 nudge towards zero shared by acos and asin; |r| > 1 has no angle
// (the square root of a negative number), which raises 5.
double nudgedRatio(double& ratio) {
    ratio = ratio > 0 ? ratio - Utils::GEOMETRY_ZERO : ratio + Utils::GEOMETRY_ZERO;
    if (!(ratio > -1.0 && ratio < 1.0)) throw NumberedError::platform(PlatformErrors::INVALID_PROCEDURE_CALL);
    return ratio;
}

}  // namespace

Utils::Matrix Utils::getIdentityMatrix(int16_t dimension) {
    const std::size_t n = dimension < 0 ? 0 : static_cast<std::size_t>(dimension);
    Matrix m(n + 1, Vector(n + 1, 0.0));
    for (std::size_t i = 1; i <= n; ++i) m[i][i] = 1.0;
    return m;
}

Utils::Matrix Utils::multiplyMatrices(const Matrix& m1, const Matrix& m2) {
    requireMatrix(m1, 4);
    requireMatrix(m2, 4);
    const std::size_t n = m1.size() - 1;
    Matrix r(n + 1, Vector(n + 1, 0.0));
    for (std::size_t i = 1; i <= 3; ++i)
        for (std::size_t j = 1; j <= 3; ++j) r[i][j] = m1[i][1] * m2[1][j] + m1[i][2] * m2[2][j] + m1[i][3] * m2[3][j];
    for (std::size_t j = 1; j <= 3; ++j)
        r[4][j] = m1[4][1] * m2[1][j] + m1[4][2] * m2[2][j] + m1[4][3] * m2[3][j] + m1[4][4] * m2[4][j];
    r[4][4] = 1.0;
    return r;
}

Utils::Vector Utils::getIdentityVector(int16_t dimension) {
    const std::size_t n = dimension < 0 ? 0 : static_cast<std::size_t>(dimension);
    Vector v(n + 1, 1.0);
    v[0] = 0.0;
    return v;
}

Utils::Vector Utils::vectorFromTwoNodes(const Node& node1, const Node& node2, double xPitchRatio, double yPitchRatio,
                                        double zPitchRatio) {
    const int slot = Node::currentSlot();
    const double ratio[4] = {0.0, xPitchRatio, yPitchRatio, zPitchRatio};
    Vector v(MAX_MOTORS + 1, 0.0);
    for (int i = 1; i <= 3; ++i)
        v[static_cast<std::size_t>(i)] = axisDifference(node2.slotAxis(slot, i), node1.slotAxis(slot, i)) * ratio[i];
    return v;
}

Utils::Vector Utils::vectorCrossProduct(const Vector& a, const Vector& b) {
    requireIndex(a, 3);
    requireIndex(b, 3);
    Vector r(a.size(), 0.0);
    r[1] = a[2] * b[3] - a[3] * b[2];
    r[2] = a[3] * b[1] - a[1] * b[3];
    r[3] = a[1] * b[2] - a[2] * b[1];
    return r;
}

double Utils::vectorDotProduct(const Vector& a, const Vector& b) {
    requireIndex(a, 3);
    requireIndex(b, 3);
    return a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
}

double Utils::vectorLength(const Vector& a) {
    return std::sqrt(vectorDotProduct(a, a));
}

void Utils::matrixToString(const Matrix& matrix) {
    if (!doLogMessage(6)) return;
    const std::size_t n = matrix.empty() ? 0 : matrix.size() - 1;
    for (std::size_t i = 1; i <= n; ++i) {
        std::string text;
        for (std::size_t j = 1; j <= n && j < matrix[i].size(); ++j) text += toText(matrix[i][j]) + " , ";
        logMessage("Row=" + std::to_string(i) + " -> " + text, 6, -1, "Unknown");
    }
}

double Utils::distanceBetweenAxes(const int32_t* from, const int32_t* to, double xPitchRatio, double yPitchRatio,
                                  double zPitchRatio) {
    const double dx = axisDifference(to[0], from[0]);
    const double dy = axisDifference(to[1], from[1]);
    const double dz = axisDifference(to[2], from[2]);
    return std::sqrt(dx * dx * xPitchRatio * xPitchRatio + dy * dy * yPitchRatio * yPitchRatio +
                     dz * dz * zPitchRatio * zPitchRatio);
}

void Utils::interpolateAxes(const int32_t* from, const int32_t* to, double total, double atDistance, int32_t* out) {
    const double fraction = atDistance / total;
    for (int i = 0; i < MAX_MOTORS; ++i) out[i] = roundToInt32(fraction * axisDifference(to[i], from[i]) + from[i]);
}

namespace {
std::array<int32_t, MAX_MOTORS> slotValues(const Node& node, int slot) {
    std::array<int32_t, MAX_MOTORS> values;
    for (int i = 0; i < MAX_MOTORS; ++i) values[static_cast<std::size_t>(i)] = node.slotAxis(slot, i + 1);
    return values;
}
}  // namespace

double Utils::distanceBetweenNodes(const Node& fromNode, const Node& toNode, double xPitchRatio, double yPitchRatio,
                                   double zPitchRatio) {
    const int slot = Node::currentSlot();
    return distanceBetweenAxes(slotValues(fromNode, slot).data(), slotValues(toNode, slot).data(), xPitchRatio,
                               yPitchRatio, zPitchRatio);
}

std::shared_ptr<Node> Utils::getNodeOnPath(const Node& fromNode, const Node& toNode, double atDistance) {
    const Runtime& rt = runtime();
    const int slot = Node::currentSlot();
    const auto from = slotValues(fromNode, slot), to = slotValues(toNode, slot);
    const double total =
        distanceBetweenAxes(from.data(), to.data(), rt.pitchRatio(1), rt.pitchRatio(2), rt.pitchRatio(3));
    if (total >= GEOMETRY_ZERO) {
        std::array<int32_t, MAX_MOTORS> values;
        interpolateAxes(from.data(), to.data(), total, atDistance, values.data());
        auto node = std::make_shared<Node>();
        for (int i = 1; i <= MAX_MOTORS; ++i) node->setSlotAxis(slot, i, values[static_cast<std::size_t>(i - 1)]);
        return node;
    }
    logMessage("From and To points are identical. Can't find a point on the path of zero length", 6, -1, "Unknown");
    return fromNode.clone(false);
}

std::shared_ptr<Node> Utils::getCenterOfThreePointCircle(const Node& p1, const Node& p2, const Node& p3) {
    const Runtime& rt = runtime();
    const double xp = rt.pitchRatio(1);
    const double yp = rt.pitchRatio(2);
    const double x1 = p1.axis(1) * xp, y1 = p1.axis(2) * yp;
    const double x2 = p2.axis(1) * xp, y2 = p2.axis(2) * yp;
    const double x3 = p3.axis(1) * xp, y3 = p3.axis(2) * yp;
    const double mxa = (x1 + x2) / 2, mya = (y1 + y2) / 2, dxa = x2 - x1, dya = y2 - y1;
    const double mxb = (x2 + x3) / 2, myb = (y2 + y3) / 2, dxb = x3 - x2, dyb = y3 - y2;
    const double xc = divide(mxb * (-dya) * dxb + mya * (-dya) * (-dyb) - mxa * dxa * (-dyb) - (-dya) * myb * (-dyb),
                             dxb * (-dya) - dxa * (-dyb));
    auto center = std::make_shared<Node>();
    center->setAxis(1, roundToInt32(divide(xc, xp)));
    const double yc = mya + divide((center->axis(1) * xp - mxa) * dxa, -dya);
    center->setAxis(2, roundToInt32(divide(yc, yp)));
    center->setAxis(3, p2.axis(3));
    return center;
}

double Utils::slopeOfLine(const Node& fromNode, const Node& toNode, double xPitchRatio, double yPitchRatio) {
    const int slot = Node::currentSlot();
    const double dx = axisDifference(toNode.slotAxis(slot, 1), fromNode.slotAxis(slot, 1));
    if (dx == 0.0) return 1 / GEOMETRY_ZERO;
    const double dy = axisDifference(toNode.slotAxis(slot, 2), fromNode.slotAxis(slot, 2));
    return divide(dy * yPitchRatio, dx * xPitchRatio);
}

double Utils::acos(double& ratio) {
    if (ratio == 1.0) return 0.0;
    if (ratio == -1.0) return PI;
    const double r = nudgedRatio(ratio);
    return PI / 2 - std::atan(r / std::sqrt(1 - r * r));
}

double Utils::asin(double& ratio) {
    if (ratio == 1.0) return PI / 2;
    if (ratio == -1.0) return -PI / 2;
    const double r = nudgedRatio(ratio);
    return std::atan(r / std::sqrt(1 - r * r));
}

double Utils::atan(double slope, int16_t quadrant) {
    const double a = std::atan(slope);
    switch (quadrant) {
        case 2: return a < 0 ? a + PI : a;
        case 3: return a + PI;
        case 4: return a < 0 ? a + 6.28318530717958 : a;
        default: return a;
    }
}

int16_t Utils::whichQuadrant(const Node& center, const Node& tmpNode) {
    const int slot = Node::currentSlot();
    const double dx = axisDifference(tmpNode.slotAxis(slot, 1), center.slotAxis(slot, 1));
    const double dy = axisDifference(tmpNode.slotAxis(slot, 2), center.slotAxis(slot, 2));
    if (dx <= 0) return dy <= 0 ? 3 : 2;
    return dy <= 0 ? 4 : 1;
}

double Utils::vectorTriangleAreaTwoDimension(const Node& node1, const Node& node2, const Node& node3) {
    const int slot = Node::currentSlot();
    const double x13 = axisDifference(node1.slotAxis(slot, 1), node3.slotAxis(slot, 1));
    const double y23 = axisDifference(node2.slotAxis(slot, 2), node3.slotAxis(slot, 2));
    const double x23 = axisDifference(node2.slotAxis(slot, 1), node3.slotAxis(slot, 1));
    const double y13 = axisDifference(node1.slotAxis(slot, 2), node3.slotAxis(slot, 2));
    return 0.5 * (x13 * y23 - x23 * y13);
}

double Utils::scalarTriangleAreaThreeDimension(const Node& node1, const Node& node2, const Node& node3,
                                               double xPitchRatio, double yPitchRatio, double zPitchRatio) {
    const Vector a = vectorFromTwoNodes(node1, node2, xPitchRatio, yPitchRatio, zPitchRatio);
    const Vector b = vectorFromTwoNodes(node1, node3, xPitchRatio, yPitchRatio, zPitchRatio);
    return 0.5 * vectorLength(vectorCrossProduct(a, b));
}

}  // namespace vek
