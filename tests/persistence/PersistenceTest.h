#pragma once
#include <sqlite3.h>

#include <memory>
#include <string>

#include "support/TempInstall.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/Database.h"

namespace vek::test {

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

    // Runs `sql` on the file through a connection of its own; returns the
    // first column of the first row as text ("" when none, "NULL" for null).
    std::string raw(const std::string& sql) const {
        sqlite3* h = nullptr;
        sqlite3_open_v2(dbPath().c_str(), &h, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_stmt* st = nullptr;
        std::string out;
        if (sqlite3_prepare_v2(h, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
            if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_count(st) > 0) {
                const unsigned char* t = sqlite3_column_text(st, 0);
                out = t ? reinterpret_cast<const char*>(t) : "NULL";
            }
        } else {
            out = std::string("ERROR: ") + sqlite3_errmsg(h);
        }
        sqlite3_finalize(st);
        sqlite3_close(h);
        return out;
    }

    bool loggedAt(const std::string& text, int level) const {
        for (const auto& [m, l] : messages())
            if (m == text && l == level) return true;
        return false;
    }
    bool loggedStartingWith(const std::string& prefix) const {
        for (const auto& [m, l] : messages())
            if (m.rfind(prefix, 0) == 0) return true;
        return false;
    }
};

}  // namespace vek::test
