#include "vek/foundation/Text.h"

#include "vek/foundation/Convert.h"

namespace vek {

std::string removeCharacters(const std::string& tmpString, const std::string& charToRemove) {
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

std::string getHexFromByte(uint8_t tmpByte) {
    static constexpr char digits[] = "0123456789ABCDEF";
    return {digits[tmpByte >> 4], digits[tmpByte & 0x0F]};
}

bool isValidVariableName(const std::string& name) {
    const std::string t = trim(name);
    if (t.empty()) return false;
    static constexpr const char* forbidden = " !@#$%^&*()+=[]{}-,./\\|";
    if (t.find_first_of(forbidden) != std::string::npos) return false;
    if (isNumeric(t)) return false;
    return !(t[0] >= '0' && t[0] <= '9');
}

std::vector<std::string> splitTokens(const std::string& text, const std::string& delimiter) {
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

bool isLike(const std::string& text, const std::string& pattern) {
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

std::shared_ptr<Collection<std::string>> getTokensFromArrayAssignment(const std::string& line,
                                                                      const std::string& arrayName) {
    if (!isLike(line, arrayName + "?*?*=*")) return nullptr;
    const auto sides = splitTokens(line, "=");
    if (sides.size() != 2) return nullptr;
    const std::size_t open = sides[0].find('[');
    const std::size_t close = sides[0].find(']', open == std::string::npos ? 0 : open);
    if (open == std::string::npos || close == std::string::npos) return nullptr;
    const std::string name = sides[0].substr(0, open);
    if (!isLike(name, arrayName)) return nullptr;
    auto tokens = std::make_shared<Collection<std::string>>();
    tokens->add(name);
    tokens->add(toText(toInt16(toDouble(sides[0].substr(open + 1, close - open - 1)))));
    tokens->add(toText(toInt32(toDouble(sides[1]))));
    return tokens;
}

}  // namespace vek
