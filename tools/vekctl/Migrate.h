#pragma once
#include <string>

namespace vekctl {

struct MigrateOptions {
    std::string home;  // install folder, prepared as for the demo
    // Database file in the install's data folder to upgrade in place (after
    // its dated backup); a name leading out of that folder is refused.
    // Empty: the shipped version-0 example, vek_v0.db, copied afresh to
    // vek-v0-example.db and upgraded there.
    std::string file;
};

// Upgrades an older database file to the current schema as start-up would,
// printing the upgrade's log lines and the datasets, paths and points
// before and after. Returns an Exit code.
int runMigrate(const MigrateOptions& options);

}  // namespace vekctl
