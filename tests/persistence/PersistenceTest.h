#pragma once
#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "support/Expect.h"
#include "support/LogLines.h"
#include "support/TempInstall.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/Database.h"

namespace vek::test {

using Rows = std::vector<std::vector<std::string>>;

// Every row of `sql` run on the file at `path` through a connection of its
// own, each field as text ("NULL" for null); a statement SQLite refuses gives
// the one row "ERROR: <message>".
inline Rows rowsOf(const std::string& path, const std::string& sql) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* st = nullptr;
    Rows rows;
    if (sqlite3_prepare_v2(h, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        rows.push_back({std::string("ERROR: ") + sqlite3_errmsg(h)});
    } else {
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const unsigned char* t = sqlite3_column_text(st, c);
                row.emplace_back(t ? reinterpret_cast<const char*>(t) : "NULL");
            }
            rows.push_back(std::move(row));
        }
    }
    sqlite3_finalize(st);
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
        std::string table = "\"";  // the name as a quoted identifier
        for (char c : t[0]) table += c == '"' ? "\"\"" : std::string(1, c);
        out += "[" + t[0] + "]\n";
        for (const auto& row : rowsOf(path, "SELECT * FROM " + table + "\" ORDER BY 1")) {
            for (const auto& f : row) out += f + "|";
            out += "\n";
        }
    }
    return out;
}

// Datasets, paths and points stored in the file: "2/2/9".
inline std::string countsOf(const std::string& path) {
    return valueOf(path,
                   "SELECT (SELECT count(*) FROM Dataset) || '/' || (SELECT count(*) FROM Path) || '/' || "
                   "(SELECT count(*) FROM Node)");
}

// A started runtime with the install's empty database opened as the shared
// database. raw() runs SQL on the file behind vek's back, to set up rows and
// to check what vek wrote.
class PersistenceTest : public VekTest {
protected:
    void SetUp() override {
        VekTest::SetUp();
        runtime().database = std::make_shared<Database>();
        runtime().database->openDatabase("vek.db");
    }
    void TearDown() override {
        runtime().configuration.reset();
        runtime().database.reset();
        VekTest::TearDown();
    }

    Database& db() { return *runtime().database; }
    std::string dbPath() const { return install_->file("data/vek.db"); }

    // Runs `sql` on the install's database behind vek's back (valueOf).
    std::string raw(const std::string& sql) const { return valueOf(dbPath(), sql); }

    bool loggedAt(const std::string& text, int level) const { return test::loggedAt(messages(), text, level); }
    bool loggedStartingWith(const std::string& prefix) const { return test::loggedStartingWith(messages(), prefix); }
};

}  // namespace vek::test
