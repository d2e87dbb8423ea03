#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vek {

// One field of a table record: null (an empty cell), or a value with its
// text and, when the reader already knows it as a number, that number.
struct TableField {
    bool null = true;
    std::string text;
    std::optional<double> number;
};

// A worksheet or text table as vek's readers hand it to the importers: the
// column names come from the first row, every further row is a record.
// `line` gives, for each record, the 1-based row (sheet) or line (text
// file) it came from, so that a refusal can point at it.
struct Table {
    std::vector<std::string> columns;
    std::vector<std::vector<TableField>> records;
    std::vector<std::size_t> line;
};

}  // namespace vek
