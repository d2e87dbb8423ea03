#pragma once
#include <string>
#include <string_view>

#include "vek/peripherals/Table.h"

namespace vek {

// vek's reader of text tables (.txt, .csv) as the classic Text driver reads
// them with its defaults: the first line gives the column names, fields are
// comma-separated, a field in double quotes may hold commas, line ends and
// doubled quotes, numbers use a period. Lines end in CR LF, LF or CR; blank
// lines are skipped; an empty unquoted field is null. A record with fewer
// fields than columns has nulls for the rest, and fields beyond the columns
// are dropped.
class TextTable {
public:
    // Reads `fileName`. Error 2 when the file cannot be read, holds binary
    // data (a NUL byte) or ends inside a quoted field.
    static Table read(const std::string& fileName);
    // The same for text already in memory; `fileName` only names it in errors.
    static Table parse(std::string_view text, const std::string& fileName);
};

}  // namespace vek
