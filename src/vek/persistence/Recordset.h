#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "vek/persistence/DbValue.h"

namespace vek {

// The rows of one SELECT, read in full when the statement ran, so that no
// cursor keeps the file locked and closing the connection never leaves a
// statement dangling. Walked like a forward cursor: eof(), field(i),
// moveNext().
class Recordset {
public:
    Recordset() = default;
    Recordset(std::vector<std::string> names, std::vector<std::vector<DbValue>> rows)
        : names_(std::move(names)), rows_(std::move(rows)) {}

    bool eof() const { return current_ >= rows_.size(); }
    void moveNext() {
        if (!eof()) ++current_;
    }
    // Field of the current row by 0-based column position; past the end or
    // out of range raises 9.
    const DbValue& field(std::size_t index) const;
    // Field by column name, compared without regard to case; unknown names raise 5.
    const DbValue& field(const std::string& name) const;

    std::size_t fieldCount() const { return names_.size(); }
    const std::string& fieldName(std::size_t index) const;
    std::size_t rowCount() const { return rows_.size(); }
    void close() {
        rows_.clear();
        current_ = 0;
    }

private:
    std::vector<std::string> names_;
    std::vector<std::vector<DbValue>> rows_;
    std::size_t current_ = 0;
};

}  // namespace vek
