#pragma once
#include <string>

#include "vek/peripherals/Table.h"

namespace vek {

// Reads one worksheet of an .xls workbook (Excel 5 to 2003, BIFF) through
// FreeXL, as the classic Excel driver hands it out: the first row gives the
// column names, every further row of the sheet's used range is a record.
// Empty cells are null; numbers keep their value and read as vek's number
// text (2.5, 3); text cells and dates read as their text.
class Workbook {
public:
    // The sheet named `sheetName` (letter case ignored), or the first sheet
    // when `sheetName` is empty. Error 2 naming the cause when the file
    // cannot be read, is no workbook, is damaged or has no such sheet.
    static Table readSheet(const std::string& fileName, const std::string& sheetName = {});
};

}  // namespace vek
