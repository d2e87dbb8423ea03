#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "vek/geometry/NodePath.h"

namespace vek {

class Measurement;
class Configuration;
struct Table;

// Brings points in from a drawing (.dxf, read with dxflib), a workbook
// (.xls, FreeXL) or a text table (.txt, .csv, vek's reader): a collection of
// new nodes in motor units that the host can store as a path. Coordinates
// are in the configured user unit; column or coordinate 1 is axis 1, 2 axis
// 2, 3 axis 3, each converted with its own slide's pitch and motor type.
// Every failure is logged at level Error and gives no collection.
class DataImporter {
public:
    DataImporter();
    ~DataImporter();
    DataImporter(const DataImporter&) = delete;
    DataImporter& operator=(const DataImporter&) = delete;

    // Chooses the reader by the file name's ending, in exactly the letter
    // cases .DXF .dxf .Dxf, .XLS .xls .Xls, .TXT .txt .Txt; any other name
    // gives none.
    std::shared_ptr<NodeCollection> extract(const std::string& fileName);
    // A text table: one point per record, axes from the first columns.
    std::shared_ptr<NodeCollection> extractTXT(const std::string& fileName);

    // --- library-internal ---
    // The LINE entities of a drawing in drawing order, each line's start
    // replacing the previous line's end; other entities are skipped. A file
    // that cannot be opened gives an empty collection; one that is no
    // complete drawing (truncated, or no DXF at all) gives none.
    std::shared_ptr<NodeCollection> extractDXF(const std::string& fileName);
    // The first sheet of a workbook: one point per row below the names.
    std::shared_ptr<NodeCollection> extractXLS(const std::string& fileName);
    // A new node from coordinates of axes 1, 1-2 or 1-3 in the user unit.
    std::shared_ptr<Node> makeNode1(double x);
    std::shared_ptr<Node> makeNode2(double x, double y);
    std::shared_ptr<Node> makeNode3(double x, double y, double z);

private:
    // Turns user-unit coordinates into motor counts; each axis's unit, pitch
    // and motor type are looked up once per import.
    class Converter {
    public:
        std::shared_ptr<Node> node(const double* values, int16_t count);
        // Sets axes 1..count of `node`, leaving the others.
        void set(Node& node, const double* values, int16_t count);

    private:
        struct Axis {
            double pitch;
            int16_t motorType;
        };
        const Axis& axis(int16_t i);

        std::shared_ptr<Measurement> measurement_;
        std::shared_ptr<Configuration> configuration_;
        int16_t unit_ = 0;
        bool ready_ = false;
        std::array<std::optional<Axis>, 3> axes_;
    };

    // Points of the table's records: n = the fewer of its columns and the
    // live motors; n of 1 to 3 makes one point per record, any other n none.
    std::shared_ptr<NodeCollection> pointsOf(const Table& table);
};

}  // namespace vek
