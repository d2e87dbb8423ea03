#include "vek/peripherals/Workbook.h"

#include <freexl.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/NumberedError.h"
#include "vek/peripherals/ChildReader.h"

namespace vek {

namespace {

[[noreturn]] void refuse(const std::string& why) {
    throw NumberedError(ErrorCodes::FILE_IO_FAILED, why);
}

std::string causeOf(int code) {
    switch (code) {
        case FREEXL_FILE_NOT_FOUND: return "it cannot be read";
        case FREEXL_INSUFFICIENT_MEMORY: return "there is not enough memory to read it";
        case FREEXL_INVALID_CFBF_HEADER:
        case FREEXL_CFBF_INVALID_SIGNATURE: return "it is no Excel workbook (.xls)";
        case FREEXL_BIFF_WORKBOOK_NOT_FOUND: return "it holds no workbook";
        case FREEXL_INVALID_CHARACTER:
        case FREEXL_UNSUPPORTED_CHARSET: return "its text uses a character set that cannot be read";
        case FREEXL_CRAFTED_FILE: return "it is damaged beyond reading";
        default: return "it is damaged (FreeXL error " + std::to_string(code) + ")";
    }
}

// Whether the file starts as every .xls workbook (a compound file) starts;
// true when it cannot be read, so that FreeXL names that failure.
bool hasCompoundFileSignature(const std::string& fileName) {
    static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::ifstream in(toNativePath(fileName), std::ios::binary);
    if (!in) return true;
    unsigned char head[8] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    return std::equal(std::begin(head), std::end(head), std::begin(kSignature));
}

// The open workbook; closed whatever happens, as FreeXL asks even after a
// failed open.
class Handle {
public:
    explicit Handle(const std::string& fileName) : fileName_(fileName) {
        // FreeXL reports a file of another kind as unreadable; say what it is.
        if (!hasCompoundFileSignature(fileName)) fail(FREEXL_INVALID_CFBF_HEADER);
        const int code = freexl_open(toNativePath(fileName).c_str(), &handle_);
        if (code != FREEXL_OK) fail(code);
    }
    ~Handle() {
        if (handle_) freexl_close(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    const void* get() const { return handle_; }
    void check(int code) const {
        if (code != FREEXL_OK) fail(code);
    }
    [[noreturn]] void fail(int code) const {
        refuse("The workbook " + fileName_ + " cannot be read: " + causeOf(code) + ".");
    }

private:
    std::string fileName_;
    const void* handle_ = nullptr;
};

unsigned short sheetIndex(const Handle& book, const std::string& fileName, const std::string& sheetName) {
    unsigned int sheets = 0;
    book.check(freexl_get_info(book.get(), FREEXL_BIFF_SHEET_COUNT, &sheets));
    if (sheets == 0) refuse("The workbook " + fileName + " holds no sheet.");
    if (sheetName.empty()) return 0;
    for (unsigned int i = 0; i < sheets && i <= 0xFFFF; ++i) {
        const char* name = nullptr;
        const auto index = static_cast<unsigned short>(i);
        if (freexl_get_worksheet_name(book.get(), index, &name) == FREEXL_OK && name &&
            equalsIgnoreCase(name, sheetName))
            return index;
    }
    refuse("The workbook " + fileName + " has no sheet named " + sheetName + ".");
}

TableField fieldOf(const FreeXL_CellValue& cell) {
    TableField f;
    switch (cell.type) {
        case FREEXL_CELL_INT:
            f.null = false;
            f.number = cell.value.int_value;
            f.text = toText(cell.value.int_value);
            break;
        case FREEXL_CELL_DOUBLE:
            f.null = false;
            f.number = cell.value.double_value;
            f.text = toText(cell.value.double_value);
            break;
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            f.null = false;
            if (cell.value.text_value) f.text = cell.value.text_value;
            break;
        default: break;
    }
    return f;
}

Table readSheetHere(const std::string& fileName, const std::string& sheetName) {
    Handle book(fileName);
    book.check(freexl_select_active_worksheet(book.get(), sheetIndex(book, fileName, sheetName)));
    unsigned int rows = 0;
    unsigned short columns = 0;
    book.check(freexl_worksheet_dimensions(book.get(), &rows, &columns));
    Table table;
    if (rows == 0 || columns == 0) return table;
    FreeXL_CellValue cell;
    for (unsigned short c = 0; c < columns; ++c) {
        book.check(freexl_get_cell_value(book.get(), 0, c, &cell));
        const TableField name = fieldOf(cell);
        table.columns.push_back(name.null || name.text.empty() ? "F" + std::to_string(c + 1) : name.text);
    }
    table.records.reserve(rows - 1);
    for (unsigned int r = 1; r < rows; ++r) {
        std::vector<TableField> record;
        record.reserve(columns);
        for (unsigned short c = 0; c < columns; ++c) {
            book.check(freexl_get_cell_value(book.get(), r, c, &cell));
            record.push_back(fieldOf(cell));
        }
        table.records.push_back(std::move(record));
        table.line.push_back(r + 1);
    }
    return table;
}

std::string pack(const std::string& fileName, const std::string& sheetName) {
    Packet packet;
    try {
        const Table table = readSheetHere(fileName, sheetName);
        packet.put(uint8_t{0});
        packet.put(static_cast<uint32_t>(table.columns.size()));
        for (const auto& name : table.columns) packet.put(name);
        packet.put(static_cast<uint32_t>(table.records.size()));
        for (std::size_t r = 0; r < table.records.size(); ++r) {
            packet.put(static_cast<uint32_t>(table.line[r]));
            for (const TableField& f : table.records[r]) {
                packet.put(static_cast<uint8_t>((f.null ? 1 : 0) | (f.number ? 2 : 0)));
                packet.put(f.number.value_or(0.0));
                packet.put(f.text);
            }
        }
    } catch (const NumberedError& e) {
        packet = Packet();
        packet.put(uint8_t{1});
        packet.put(e.description());
    } catch (const std::exception& e) {
        packet = Packet();
        packet.put(uint8_t{1});
        packet.put("The workbook " + fileName + " cannot be read: " + e.what() + ".");
    }
    return packet.bytes();
}

Table unpack(const std::string& bytes) {
    Packet packet(bytes);
    if (packet.get<uint8_t>() != 0) refuse(packet.text());
    Table table;
    table.columns.resize(packet.get<uint32_t>());
    for (auto& name : table.columns) name = packet.text();
    const auto records = packet.get<uint32_t>();
    for (uint32_t r = 0; r < records; ++r) {
        table.line.push_back(packet.get<uint32_t>());
        std::vector<TableField> record(table.columns.size());
        for (TableField& f : record) {
            const auto flags = packet.get<uint8_t>();
            const auto number = packet.get<double>();
            f.null = (flags & 1) != 0;
            if (flags & 2) f.number = number;
            f.text = packet.text();
        }
        table.records.push_back(std::move(record));
    }
    return table;
}

}  // namespace

// FreeXL reads memory it must not on some damaged workbooks, so a workbook
// is read in a child process: whatever the file does to the reader, vek
// gets a table or a refusal, never a crash or a hang.
Table Workbook::readSheet(const std::string& fileName, const std::string& sheetName) {
    if (const auto bytes = runInChild([&] { return pack(fileName, sheetName); })) {
        try {
            return unpack(*bytes);
        } catch (const std::length_error&) {
        }
    }
    refuse("The workbook " + fileName + " cannot be read: it is damaged (the reader stopped on it or ran past " +
           std::to_string(childReaderSeconds()) + " s).");
}

}  // namespace vek
