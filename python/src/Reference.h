#pragma once
// What python/tools/reference.py reads out of vek's headers at build time.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vekpy {

struct EnumTable {
    std::string name;
    std::vector<std::pair<std::string, long long>> members;
};

// Every public enum of vek, in header order, with its members in declaration
// order (aliases included).
const std::vector<EnumTable>& enumTables();

// The comment above a class ("Commands") or member ("Commands.DoLine") in
// its header; empty when it has none.
const char* doc(std::string_view key);

}  // namespace vekpy
