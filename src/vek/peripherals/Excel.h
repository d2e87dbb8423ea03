#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "vek/foundation/Collection.h"

namespace vek {

using ExcelRow = Collection<std::string>;
using ExcelRows = Collection<std::shared_ptr<ExcelRow>>;

// One worksheet of an .xls workbook in memory, answering cell queries by
// row number and column letter. Rows are the records below the sheet's
// first row (which names the columns), keyed "1", "2", ...; each row holds
// its cells as text keyed "1", "2", ... by column, an empty cell as empty
// text.
class Excel {
public:
    Excel();
    ~Excel();
    Excel(const Excel&) = delete;
    Excel& operator=(const Excel&) = delete;

    // Reads sheet `sheetName` of `fileName` in place of the last sheet read;
    // false (logged) when the file or sheet cannot be read.
    bool ReadFile(const std::string& fileName, const std::string& sheetName = "Sheet1");
    // The text of the cell in record `row`, column `col` (a letter A-Z in
    // either case, or the column's number); empty text (logged) when there
    // is no such cell.
    std::string GetValue(int16_t row, const std::string& col);

    // --- library-internal ---
    // A numeric `col` as a whole number, else "A".."Z" (either case) as
    // 1..26; anything else raises 11 "Column index is out of bound (A-Z)".
    int16_t columnIndex(const std::string& col) const;
    const std::shared_ptr<ExcelRows>& rows() const { return rows_; }

private:
    std::shared_ptr<ExcelRows> rows_ = std::make_shared<ExcelRows>();
};

}  // namespace vek
