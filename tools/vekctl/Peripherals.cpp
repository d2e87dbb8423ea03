#include "Peripherals.h"

#include <iomanip>
#include <iostream>
#include <memory>

#include "Demo.h"
#include "Session.h"
#include "vek/vek.h"

namespace vekctl {

namespace {

using vek::runtime;

// Warnings and errors of the log as they come (what went wrong with a file,
// a camera or a driver), and with `info` also the informational lines.
void printLog(bool info) {
    runtime().log->messagedLogged.connect([info](std::string& message, int16_t& level) {
        if (level == vek::LogLevel::WARNING || level == vek::LogLevel::Error)
            std::cout << "warning: " << message << "\n";
        else if (info && level == vek::LogLevel::info)
            std::cout << message << "\n";
    });
}

// The configured unit's name for the slide of axis 1.
std::string unitName() {
    try {
        const auto& configuration = runtime().configuration;
        const auto slide = configuration->motorsData()->item(1)->SlideData();
        return runtime().measurement->getPositionUnit(slide->motorType(), false, configuration->unit());
    } catch (const vek::NumberedError&) {
        return "(user unit)";
    }
}

// Stores `points` as path `name` ("DATASET.PATH") in one transaction.
bool store(const std::shared_ptr<vek::NodeCollection>& points, const std::string& name) {
    const auto dot = name.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) {
        std::cerr << "vekctl: --store needs DATASET.PATH, not '" << name << "'\n";
        return false;
    }
    auto& dataSets = runtime().dataSets;
    auto dataset = dataSets->getDatasetByName(name.substr(0, dot));
    if (!dataset) {
        dataset = dataSets->insertDataset(std::make_shared<vek::DataSet>());
        if (!dataset) return false;
        dataset->setName(name.substr(0, dot));
        dataSets->updateDataset(dataset);
    }
    if (dataset->getPathByName(name.substr(dot + 1))) {
        std::cerr << "vekctl: the dataset " << dataset->name() << " already has a path " << name.substr(dot + 1)
                  << "\n";
        return false;
    }
    auto path = std::make_shared<vek::NodePath>();
    path->setPathType(vek::PathConstants::LINEAR_PATH);
    path->setName(name.substr(dot + 1));
    for (const auto& node : *points) path->addNode(node);
    return dataset->storePath(path) != nullptr;
}

}  // namespace

int runImport(const ImportOptions& options) {
    if (const int code = prepareSession(options.home, false); code != Exit::OK) return code;
    printLog(false);
    if (const int code = loadSimulatedGantry(options.home, false, true); code != Exit::OK) return code;
    const auto points = runtime().dataImporter->extract(options.file);
    if (!points) {
        std::cerr << "vekctl: no points from " << options.file
                  << " (a drawing .dxf, workbook .xls or text table .txt is read)\n";
        return Exit::IMPORT;
    }
    const std::string unit = unitName();
    std::cout << std::setprecision(10);
    for (const auto& node : *points) {
        vek::Point point;
        point.setNode(node);
        std::cout << node->axis(1) << " " << node->axis(2) << " " << node->axis(3) << " counts = " << point.x() << " "
                  << point.y() << " " << point.z() << " " << unit << "\n";
    }
    std::cout << points->count() << " points\n";
    if (options.store.empty()) return Exit::OK;
    if (points->count() == 0 || !store(points, options.store)) {
        std::cerr << "vekctl: the points were not stored as " << options.store << "\n";
        return Exit::DATABASE;
    }
    std::cout << "Stored as " << options.store << "\n";
    return Exit::OK;
}

int runVision(const VisionOptions& options) {
    // The camera is a real peer: its time-outs run in wall-clock time.
    if (const int code = prepareSession(options.home, true); code != Exit::OK) return code;
    printLog(true);
    vek::Vision vision;
    vision.setAnswerTimeout(options.timeout);
    const bool connected = options.dvt
                               ? vision.ConnectDVT(options.host, options.port, options.user, options.password)
                               : vision.ConnectCognex(options.host, options.port, options.user, options.password);
    if (!connected) return Exit::CONNECTION;
    if (options.dvt) {
        for (const auto& key : options.cells) {
            vision.GetDVTValue(key);
            // A DVT camera's answer is only logged: wait for it to arrive.
            const double deadline = vek::eventLoop().now() + options.timeout;
            while (vision.busy() && vision.connected() && vek::eventLoop().now() < deadline)
                vek::eventLoop().wait(0.01);
        }
        return vision.connected() ? Exit::OK : Exit::CONNECTION;
    }
    if (options.trigger && !vision.ProcessCognex()) return vision.connected() ? Exit::COMMAND : Exit::CONNECTION;
    for (const auto& cell : options.cells) {
        const auto digits = cell.find_first_of("0123456789");
        if (digits == 0 || digits == std::string::npos) {
            std::cerr << "vekctl: a cell is a column and a row, such as A5, not '" << cell << "'\n";
            return Exit::USAGE;
        }
        int16_t row = 0;
        try {
            row = vek::toInt16(vek::toDouble(cell.substr(digits)));
        } catch (const vek::NumberedError&) {
            std::cerr << "vekctl: the row of '" << cell << "' is no number from 0 to 399\n";
            return Exit::USAGE;
        }
        const std::string value = vision.GetCognexValue(cell.substr(0, digits), row);
        std::cout << cell << " = " << value << "\n";
        if (!vision.connected()) return Exit::CONNECTION;
    }
    return Exit::OK;
}

int runLoadCell(const LoadCellOptions& options) {
    if (const int code = prepareSession(options.home, false); code != Exit::OK) return code;
    printLog(false);
    if (const int code = loadSimulatedGantry(options.home, false, false); code != Exit::OK) return code;
    auto cell = options.driver.empty() ? runtime().external : std::make_shared<vek::External>(options.driver);
    std::cout << "driver " << cell->driverName() << ", device " << options.device << ", channel " << options.channel
              << "\n";
    if (!cell->InitializeLoadCell(options.device, options.channel, options.offset, options.scale)) return Exit::COMMAND;
    for (int i = 0; i < options.readings; ++i)
        std::cout << cell->GetLoadCellReading(options.device, options.channel) << "\n";
    cell->FinalizeLoadCell();
    return Exit::OK;
}

}  // namespace vekctl
