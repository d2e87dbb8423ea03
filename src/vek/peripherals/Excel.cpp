#include "vek/peripherals/Excel.h"

#include "vek/foundation/Convert.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/peripherals/Table.h"
#include "vek/peripherals/Workbook.h"

namespace vek {

namespace {
std::string descriptionOf(const std::exception& e) {
    const auto* numbered = dynamic_cast<const NumberedError*>(&e);
    return numbered ? numbered->description() : std::string(e.what());
}
}  // namespace

Excel::Excel() {
    logAt(LogLevel::DEVELOPER, "Initializing vek.Excel");
}

Excel::~Excel() {
    logAt(LogLevel::DEVELOPER, "Terminating vek.Excel");
}

bool Excel::ReadFile(const std::string& fileName, const std::string& sheetName) {
    logAt(LogLevel::info, "Reading data from Microsoft Excel (XLS) file " + fileName);
    rows_ = std::make_shared<ExcelRows>();
    try {
        const Table table = Workbook::readSheet(fileName, sheetName);
        rows_->reserve(table.records.size());
        for (std::size_t r = 0; r < table.records.size(); ++r) {
            auto row = std::make_shared<ExcelRow>();
            const auto& record = table.records[r];
            for (std::size_t i = 0; i < record.size(); ++i)
                row->add(record[i].null ? std::string() : record[i].text, std::to_string(i + 1));
            rows_->add(std::move(row), std::to_string(r + 1));
        }
        return true;
    } catch (const std::exception& e) {
        logAt(LogLevel::Error, "Can't read data from the Microsoft Excel File -> " + descriptionOf(e));
        return false;
    }
}

std::string Excel::GetValue(int16_t row, const std::string& col) {
    try {
        return rows_->item(std::to_string(row))->item(std::to_string(columnIndex(col)));
    } catch (const std::exception& e) {
        logAt(LogLevel::Error, "Can't get value from the Microsoft Excel File -> " + descriptionOf(e));
        return {};
    }
}

int16_t Excel::columnIndex(const std::string& col) const {
    if (isNumeric(col)) return toInt16(toDouble(col));
    const std::string letter = toUpperAscii(col);
    if (letter.size() != 1 || letter[0] < 'A' || letter[0] > 'Z')
        raiseInvalidArgument("Column index is out of bound (A-Z)");
    return static_cast<int16_t>(letter[0] - 'A' + 1);
}

}  // namespace vek
