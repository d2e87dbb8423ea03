#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vekctl {

struct ImportOptions {
    std::string home;   // install folder
    std::string file;   // drawing (.dxf), workbook (.xls) or text table (.txt, .csv)
    std::string store;  // "DATASET.PATH" to store the points as a path; empty: print only
};

// Prints the points a drawing, workbook or text table gives on the simulated
// gantry of the install's database, in counts and in the configured user
// unit, then "N points"; with `store`, keeps them as a path of that name in
// that dataset (made when missing). Returns an Exit code.
int runImport(const ImportOptions& options);

struct VisionOptions {
    std::string home;  // install folder (for the log)
    std::string host;
    int16_t port = 0;
    bool dvt = false;                // DVT mode instead of Cognex native mode
    std::string user, password;      // login, when both are given
    bool trigger = true;             // Cognex: acquire an image (SE8) first
    std::vector<std::string> cells;  // Cognex: "A5", "B042" ...; DVT: keys
    double timeout = 10;             // seconds a command waits for its answer
};

// Connects to a camera, triggers it and prints the values asked for, with
// every answer the camera gives. Returns an Exit code.
int runVision(const VisionOptions& options);

struct LoadCellOptions {
    std::string home;    // install folder, for the "loadCellDriver" setting
    std::string driver;  // driver library; empty: the database's setting
    int16_t device = 1;
    int16_t channel = 1;
    float offset = 0;
    float scale = 2.204f;
    int readings = 1;
};

// Configures a load-cell channel and prints its readings. Returns an Exit
// code.
int runLoadCell(const LoadCellOptions& options);

}  // namespace vekctl
