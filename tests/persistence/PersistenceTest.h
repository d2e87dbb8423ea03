#pragma once
#include <memory>
#include <string>

#include "support/Expect.h"
#include "support/LogLines.h"
#include "support/SqlFile.h"
#include "support/TempInstall.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/Database.h"

namespace vek::test {

// Datasets, paths and points stored in the file: "2/2/9".
inline std::string countsOf(const std::string& path) {
    return valueOf(path,
                   "SELECT (SELECT count(*) FROM Dataset) || '/' || (SELECT count(*) FROM Path) || '/' || "
                   "(SELECT count(*) FROM Node)");
}

// A started runtime with the install's empty database opened as the shared
// database. raw() runs SQL on the file behind vek's back (valueOf).
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
    std::string raw(const std::string& sql) const { return valueOf(dbPath(), sql); }
    bool loggedAt(const std::string& text, int level) const { return test::loggedAt(messages(), text, level); }
    bool loggedStartingWith(const std::string& prefix) const { return test::loggedStartingWith(messages(), prefix); }
};

}  // namespace vek::test
