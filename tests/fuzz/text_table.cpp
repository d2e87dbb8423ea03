// Text tables as a spreadsheet program or a hand exports them (.txt, .csv):
// the whole input is one file's text. Whatever it holds, the reader either
// refuses it with error 2 or hands out a table whose every record has one
// field per column and names the line it came from, in file order.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzSupport.h"
#include "vek/foundation/NumberedError.h"
#include "vek/peripherals/Table.h"
#include "vek/peripherals/TextTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace vek;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Table table;
    try {
        table = TextTable::parse(text, "fuzz.txt");
    } catch (const NumberedError& e) {
        if (e.number() != 2) fuzz::fail("a text table was refused with another number than 2");
        return 0;
    }
    if (table.line.size() != table.records.size()) fuzz::fail("records and their lines differ in number");
    std::size_t previous = 0;
    for (std::size_t i = 0; i < table.records.size(); ++i) {
        if (table.records[i].size() != table.columns.size()) fuzz::fail("a record without one field per column");
        if (table.line[i] <= previous) fuzz::fail("record lines out of file order");
        previous = table.line[i];
        for (const TableField& field : table.records[i])
            if (field.null && !field.text.empty()) fuzz::fail("a null field with text");
    }
    return 0;
}
