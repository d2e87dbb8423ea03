#pragma once
#include <sqlite3.h>

#include <string>
#include <vector>

namespace vek::test {

// SQL run on a database file behind vek's back, through a connection of its
// own: to set up rows and to check what vek wrote.
using Rows = std::vector<std::vector<std::string>>;

// Every row `sql` gives, each field as text ("NULL" for null); a statement
// SQLite refuses gives the one row "ERROR: <message>".
inline Rows rowsOf(const std::string& path, const std::string& sql) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr);
    Rows rows;
    char* error = nullptr;
    const auto addRow = [](void* out, int n, char** fields, char**) {
        auto& row = static_cast<Rows*>(out)->emplace_back();
        for (int i = 0; i < n; ++i) row.emplace_back(fields[i] ? fields[i] : "NULL");
        return 0;
    };
    if (sqlite3_exec(h, sql.c_str(), addRow, &rows, &error) != SQLITE_OK)
        rows = {{std::string("ERROR: ") + (error ? error : sqlite3_errmsg(h))}};
    sqlite3_free(error);
    sqlite3_close(h);
    return rows;
}

// The first field of the first row of `sql` ("" when none).
inline std::string valueOf(const std::string& path, const std::string& sql) {
    const Rows rows = rowsOf(path, sql);
    return rows.empty() || rows[0].empty() ? "" : rows[0][0];
}

// Every row of every table, in key order: two files with equal dumps hold the
// same data.
inline std::string dumpOf(const std::string& path) {
    std::string out;
    for (const auto& t : rowsOf(path, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")) {
        std::string table = "\"";  // the name as an identifier, its quotes doubled
        for (char c : t[0]) table += c == '"' ? "\"\"" : std::string(1, c);
        out += "[" + t[0] + "]\n";
        for (const auto& row : rowsOf(path, "SELECT * FROM " + table + "\" ORDER BY 1")) {
            for (const auto& f : row) out += f + "|";
            out += "\n";
        }
    }
    return out;
}

}  // namespace vek::test
