#include "vek/peripherals/DataImporter.h"

#include <dl_creationadapter.h>
#include <dl_dxf.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <fstream>
#include <string_view>

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/geometry/Node.h"
#include "vek/motion/LinearSlides.h"
#include "vek/motion/Runtime.h"
#include "vek/motors/Measurement.h"
#include "vek/motors/Units.h"
#include "vek/peripherals/ChildReader.h"
#include "vek/peripherals/Table.h"
#include "vek/peripherals/TextTable.h"
#include "vek/peripherals/Workbook.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/MotorData.h"
#include "vek/persistence/SlideData.h"

namespace vek {

namespace {

bool endsWithAny(std::string_view name, std::initializer_list<std::string_view> endings) {
    return std::any_of(endings.begin(), endings.end(), [&](std::string_view e) { return name.ends_with(e); });
}

// Logs a failed import as its table of failures says and gives none.
std::shared_ptr<NodeCollection> failed(const std::string& message, const std::exception& e) {
    const auto* numbered = dynamic_cast<const NumberedError*>(&e);
    logAt(LogLevel::Error, message + (numbered ? numbered->description() : std::string(e.what())));
    return nullptr;
}

// Whether the drawing ends with its end-of-file group (0 / EOF), which a
// truncated or foreign file lacks.
bool endsWithEofMarker(const std::string& fileName) {
    std::FILE* f = std::fopen(toNativePath(fileName).c_str(), "rb");
    if (!f) return false;
    char tail[64];
    std::size_t n = 0;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        const long from = size > static_cast<long>(sizeof tail) ? size - static_cast<long>(sizeof tail) : 0;
        if (size >= 0 && std::fseek(f, from, SEEK_SET) == 0) n = std::fread(tail, 1, sizeof tail, f);
    }
    std::fclose(f);
    std::string_view text(tail, n);
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    if (!text.ends_with("EOF")) return false;
    text.remove_suffix(3);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.empty() || text.back() != '\n') return false;
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    const auto lineStart = text.find_last_of('\n');
    return trim(lineStart == std::string_view::npos ? text : text.substr(lineStart + 1)) == "0";
}

// The LINE entities that dxflib reads, in drawing order: start and end, six
// numbers a line.
class LineChain : public DL_CreationAdapter {
public:
    void addLine(const DL_LineData& d) override {
        for (double v : {d.x1, d.y1, d.z1, d.x2, d.y2, d.z2}) lines.put(v);
    }
    Packet lines;
};

constexpr std::size_t kLineBytes = 6 * sizeof(double);

std::string drawingLines(const std::string& fileName) {
    std::ifstream file(toNativePath(fileName), std::ios::binary | std::ios::ate);
    LineChain chain;
    // A LINE entity as CAD programs write it takes more text than its six
    // numbers take bytes: reserving the file's size spares the copies of a
    // growing buffer (a terse drawing only grows it once more).
    chain.lines.reserve(static_cast<std::size_t>(std::max<std::streamoff>(file.tellg(), 0)));
    file.seekg(0);
    DL_Dxf reader;
    reader.in(file, &chain);
    return std::move(chain.lines).take();
}

double numberOf(const TableField& field, std::size_t line, std::size_t column) {
    if (field.number) return *field.number;
    if (field.null)
        throw NumberedError(PlatformErrors::TYPE_MISMATCH,
                            "Row " + std::to_string(line) + " has no value in column " + std::to_string(column) + ".");
    if (!isNumeric(field.text))
        throw NumberedError(
            PlatformErrors::TYPE_MISMATCH,
            "Row " + std::to_string(line) + ", column " + std::to_string(column) + " holds no number: " + field.text);
    return toDouble(field.text);
}

}  // namespace

DataImporter::DataImporter() {
    logAt(LogLevel::DEVELOPER, "Initializing vek.DataImporter");
}

DataImporter::~DataImporter() {
    logAt(LogLevel::DEVELOPER, "Terminating vek.DataImporter");
}

std::shared_ptr<NodeCollection> DataImporter::extract(const std::string& fileName) {
    if (endsWithAny(fileName, {".DXF", ".dxf", ".Dxf"})) return extractDXF(fileName);
    if (endsWithAny(fileName, {".XLS", ".xls", ".Xls"})) return extractXLS(fileName);
    if (endsWithAny(fileName, {".TXT", ".txt", ".Txt"})) return extractTXT(fileName);
    return nullptr;
}

std::shared_ptr<NodeCollection> DataImporter::extractDXF(const std::string& fileName) {
    logAt(LogLevel::info, "Importing position data from Data Exchange File (DXF) " + fileName);
    try {
        if (!std::ifstream(toNativePath(fileName), std::ios::binary)) return std::make_shared<NodeCollection>();
        // dxflib loops for ever on some damaged drawings: it reads in a
        // child process, which hands the lines back.
        const auto lines = runInChild([&] { return drawingLines(fileName); });
        if (!lines)
            throw NumberedError(ErrorCodes::FILE_IO_FAILED, "The file " + fileName +
                                                                " is no readable drawing: the reader stopped on it "
                                                                "or ran past " +
                                                                std::to_string(childReaderSeconds()) + " s.");
        if (!endsWithEofMarker(fileName))
            throw NumberedError(ErrorCodes::FILE_IO_FAILED,
                                "The file " + fileName + " is no complete drawing: it does not end with EOF.");
        auto points = std::make_shared<NodeCollection>();
        points->reserve(lines->size() / kLineBytes + 1);
        Converter converter;
        Packet packet(std::move(*lines));
        while (!packet.atEnd()) {
            double start[3], end[3];
            for (double& v : start) v = packet.get<double>();
            for (double& v : end) v = packet.get<double>();
            // The line's start takes the place of the previous line's end:
            // that node is overwritten rather than replaced.
            if (points->count() > 0)
                converter.set(*points->item(points->count()), start, 3);
            else
                points->add(converter.node(start, 3));
            points->add(converter.node(end, 3));
        }
        return points;
    } catch (const std::exception& e) {
        return failed("Can't import data from the Data Exchange File -> ", e);
    }
}

std::shared_ptr<NodeCollection> DataImporter::extractXLS(const std::string& fileName) {
    logAt(LogLevel::info, "Importing position data from Microsoft Excel (XLS) file " + fileName);
    try {
        return pointsOf(Workbook::readSheet(fileName));
    } catch (const std::exception& e) {
        return failed("Can't import data from the Microsoft Excel File -> ", e);
    }
}

std::shared_ptr<NodeCollection> DataImporter::extractTXT(const std::string& fileName) {
    logAt(LogLevel::info, "Importing position data from Text (TXT) file " + fileName);
    try {
        return pointsOf(TextTable::read(fileName));
    } catch (const std::exception& e) {
        return failed("Can't import data from the Text File -> ", e);
    }
}

std::shared_ptr<NodeCollection> DataImporter::pointsOf(const Table& table) {
    const auto& slides = requireObject(runtime().linearSlides);
    const std::size_t live = slides->motors()->count();
    const std::size_t n = std::min(table.columns.size(), live);
    auto points = std::make_shared<NodeCollection>();
    if (n < 1 || n > 3) return points;
    points->reserve(table.records.size());
    Converter converter;
    double values[3];
    for (std::size_t r = 0; r < table.records.size(); ++r) {
        for (std::size_t c = 0; c < n; ++c) values[c] = numberOf(table.records[r][c], table.line[r], c + 1);
        points->add(converter.node(values, static_cast<int16_t>(n)));
    }
    return points;
}

std::shared_ptr<Node> DataImporter::makeNode1(double x) {
    const double v[1] = {x};
    return Converter().node(v, 1);
}

std::shared_ptr<Node> DataImporter::makeNode2(double x, double y) {
    const double v[2] = {x, y};
    return Converter().node(v, 2);
}

std::shared_ptr<Node> DataImporter::makeNode3(double x, double y, double z) {
    const double v[3] = {x, y, z};
    return Converter().node(v, 3);
}

const DataImporter::Converter::Axis& DataImporter::Converter::axis(int16_t i) {
    if (!ready_) {
        const Runtime& rt = runtime();
        measurement_ = requireObject(rt.measurement);
        configuration_ = requireObject(rt.configuration);
        unit_ = configuration_->unit();
        ready_ = true;
    }
    auto& cached = axes_[static_cast<std::size_t>(i - 1)];
    if (!cached) {
        // A copy: requireObject hands back a reference to the temporary it checks.
        const auto slide = requireObject(configuration_->motorsData()->item(static_cast<std::size_t>(i))->SlideData());
        cached = Axis{slide->pitch(), slide->motorType()};
    }
    return *cached;
}

std::shared_ptr<Node> DataImporter::Converter::node(const double* values, int16_t count) {
    auto node = std::make_shared<Node>();
    set(*node, values, count);
    return node;
}

void DataImporter::Converter::set(Node& node, const double* values, int16_t count) {
    for (int16_t i = 1; i <= count; ++i) {
        const Axis& a = axis(i);
        int16_t from = unit_;
        int16_t to = Units::smu;
        node.setAxis(i, toInt32(measurement_->getPosition(from, to, values[i - 1], a.pitch, a.motorType)));
    }
}

}  // namespace vek
