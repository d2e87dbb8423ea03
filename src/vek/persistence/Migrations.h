#pragma once
#include <cstdint>
#include <string>

namespace vek {

class Database;

// The upgrade of an older database file to the current schema, one version
// at a time after a dated copy of the file, and the two repairs of stored
// paths that two of the steps run. It works on the Database it is given,
// whose upgrade operations (migrate, migrate0to1 .. migrate11to12) hand over
// to it.
class Migrations {
public:
    explicit Migrations(Database& database);

    // Backs the file up, then runs each step from `fromVersion` on in a
    // transaction together with the "dbVersion" it reaches; false at the
    // first step that fails, which leaves the file at the last version done.
    bool migrate(int16_t fromVersion, int16_t toVersion);
    // The single steps; each returns false at its first failed action.
    bool migrate0to1();
    bool migrate1to2();
    bool migrate2to3();
    bool migrate3to4();
    bool migrate4to5();
    bool migrate5to6();
    bool migrate6to7();
    bool migrate7to8();
    bool migrate8to9();
    bool migrate9to10();
    bool migrate10to11();
    bool migrate11to12();
    // Gives every stored arc path the "pitch" (0) and "rotations" (1) points
    // that older files lack.
    bool addArcPathPoints();
    // Numbers the points of every scope 1, 2, 3, ... in their stored order.
    bool renumberNodes();
    // The name of the copy of the file at `fullPath` that migrate() makes
    // now: the dated name, or, when a file of that name exists already (a
    // resumed upgrade within the same minute), that name + "_2", "_3", ...
    // so that no earlier copy is lost.
    static std::string backupName(const std::string& fullPath);

private:
    // The byte-for-byte copy migrate() starts with, under backupName().
    bool backUp();
    bool runStep(int16_t fromVersion);
    // The built-in slide models, as rows for addRow.
    bool addBuiltInSlides();
    bool addNodeOrderIndex();
    // addColumn, then the fill of a newly added column on every row.
    bool addFilledColumn(const std::string& table, const std::string& column, const std::string& type,
                         const std::string& value, bool valueIsText);

    Database& db_;
};

}  // namespace vek
