#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vek/foundation/Collection.h"

namespace vek {

// Text and token helpers shared by every part of vek (and offered to hosts
// through Utils).

// `tmpString` with every occurrence of `charToRemove` taken out.
std::string removeCharacters(const std::string& tmpString, const std::string& charToRemove);
// Two uppercase hexadecimal digits (5 -> "05").
std::string getHexFromByte(uint8_t tmpByte);
// A trimmed, non-empty name without blanks, punctuation other than "_",
// not numeric and not starting with a digit.
bool isValidVariableName(const std::string& name);
// `text` split at every `delimiter`, empty tokens kept.
std::vector<std::string> splitTokens(const std::string& text, const std::string& delimiter);
// Wildcard match of the classic Like operator: * any run, ? one character.
bool isLike(const std::string& text, const std::string& pattern);
// "name[index]=value" -> {name, index, value}; null when the line has
// another form. An index or value that is not a number raises 13, one out
// of range 6.
std::shared_ptr<Collection<std::string>> getTokensFromArrayAssignment(const std::string& line,
                                                                      const std::string& arrayName = "*");

}  // namespace vek
