#pragma once
#include <string>

namespace vekctl {

struct MigrateOptions {
    std::string home;  // install folder, prepared as for the demo
    // Database file in the install's data folder to upgrade in place (after
    // its dated backup). Empty: a fresh copy of the shipped version-0
    // example, vek-v0-example.db, replaced on every run.
    std::string file;
};

// Upgrades an older database file to the current schema as start-up would,
// printing the upgrade's log lines and the datasets, paths and points
// before and after. Returns an Exit code.
int runMigrate(const MigrateOptions& options);

}  // namespace vekctl
