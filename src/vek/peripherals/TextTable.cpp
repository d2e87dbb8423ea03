#include "vek/peripherals/TextTable.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

namespace {

[[noreturn]] void refuse(const std::string& why) {
    throw NumberedError(ErrorCodes::FILE_IO_FAILED, why);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Splits the text into records of fields, one pass, quotes honoured.
class Scanner {
public:
    Scanner(std::string_view text, const std::string& fileName) : text_(text), fileName_(fileName) {}

    bool atEnd() const { return pos_ >= text_.size(); }
    std::size_t line() const { return line_; }

    // The next record's fields; false at the end of the text. Blank lines
    // give a record of one null field.
    void record(std::vector<TableField>& fields) {
        fields.clear();
        for (;;) {
            fields.emplace_back();
            field(fields.back());
            if (atEnd()) return;
            const char c = text_[pos_];
            if (c == ',') {
                ++pos_;
                continue;
            }
            endLine();
            return;
        }
    }

private:
    void endLine() {
        if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
        ++pos_;
        ++line_;
    }

    static bool isLineEnd(char c) { return c == '\n' || c == '\r'; }

    void field(TableField& f) {
        while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '"') {
            quoted(f);
            return;
        }
        const std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != ',' && !isLineEnd(text_[pos_])) ++pos_;
        std::size_t end = pos_;
        while (end > start && isBlank(text_[end - 1])) --end;
        if (end > start) {
            f.null = false;
            f.text.assign(text_.substr(start, end - start));
        }
    }

    void quoted(TableField& f) {
        const std::size_t openedOn = line_;
        ++pos_;
        f.null = false;
        for (;;) {
            const std::size_t quote = text_.find('"', pos_);
            if (quote == std::string_view::npos)
                refuse("The file " + fileName_ + " ends inside the quoted field that starts on line " +
                       std::to_string(openedOn) + ".");
            const std::string_view part = text_.substr(pos_, quote - pos_);
            for (std::size_t i = 0; i < part.size(); ++i) {
                if (part[i] == '\n' || (part[i] == '\r' && (i + 1 == part.size() || part[i + 1] != '\n'))) ++line_;
            }
            f.text.append(part);
            pos_ = quote + 1;
            if (pos_ < text_.size() && text_[pos_] == '"') {
                f.text.push_back('"');
                ++pos_;
                continue;
            }
            break;
        }
        // Text after the closing quote belongs to the same field, as the
        // driver reads it.
        const std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != ',' && !isLineEnd(text_[pos_])) ++pos_;
        std::size_t end = pos_;
        while (end > start && isBlank(text_[end - 1])) --end;
        f.text.append(text_.substr(start, end - start));
    }

    std::string_view text_;
    const std::string& fileName_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
};

bool isBlankRecord(const std::vector<TableField>& fields) {
    return fields.size() == 1 && fields[0].null;
}

}  // namespace

Table TextTable::read(const std::string& fileName) {
    std::ifstream in(toNativePath(fileName), std::ios::binary);
    if (!in) refuse("The file " + fileName + " cannot be read.");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) refuse("The file " + fileName + " cannot be read.");
    return parse(text, fileName);
}

Table TextTable::parse(std::string_view text, const std::string& fileName) {
    if (std::memchr(text.data(), '\0', text.size()))
        refuse("The file " + fileName + " holds binary data, not a text table.");
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    Table table;
    Scanner scanner(text, fileName);
    std::vector<TableField> fields;
    while (!scanner.atEnd() && table.columns.empty()) {
        scanner.record(fields);
        if (isBlankRecord(fields)) continue;
        for (std::size_t i = 0; i < fields.size(); ++i)
            table.columns.push_back(fields[i].null ? "F" + std::to_string(i + 1) : std::move(fields[i].text));
    }
    while (!scanner.atEnd()) {
        const std::size_t line = scanner.line();
        scanner.record(fields);
        if (isBlankRecord(fields)) continue;
        fields.resize(table.columns.size());
        table.records.push_back(std::move(fields));
        table.line.push_back(line);
    }
    return table;
}

}  // namespace vek
