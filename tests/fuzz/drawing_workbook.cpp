// Drawings and workbooks from outside: the first byte of the input chooses
// the reader (even: a .dxf drawing through dxflib, odd: an .xls workbook
// through FreeXL), the rest is the file. Damaged files must end in a logged
// refusal or a result, never a crash, a hang or a leak. The readers run in
// child processes: what breaks inside them is refused, not reported here.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "FuzzSupport.h"
#include "vek/foundation/NumberedError.h"
#include "vek/peripherals/ChildReader.h"
#include "vek/peripherals/DataImporter.h"
#include "vek/peripherals/Excel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace vek;
    static auto* const importer = [] {
        fuzz::startVek();
        // Within the fuzzer's own time-out: a looping reader is refused.
        setChildReaderSeconds(2);
        return new DataImporter();
    }();
    static Excel excel;
    if (size == 0) return 0;
    const bool drawing = data[0] % 2 == 0;
    const std::string file = fuzz::installFile(drawing ? "input.dxf" : "input.xls");
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    if (drawing) {
        (void)importer->extract(file);
    } else {
        (void)importer->extract(file);
        if (excel.ReadFile(file, "Sheet1")) {
            for (int16_t row = 1; row <= 3; ++row) (void)excel.GetValue(row, "B");
        }
    }
    return 0;
}
