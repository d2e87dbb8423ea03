// Datasets with their paths and points, the configuration with its records,
// and the current user.
#include "Binding.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/DataSet.h"
#include "vek/persistence/DataSets.h"
#include "vek/persistence/MotorData.h"
#include "vek/persistence/SimulationData.h"
#include "vek/persistence/SlideData.h"
#include "vek/persistence/User.h"

namespace vekpy {

namespace {

using vek::Configuration;
using vek::DataSet;
using vek::DataSets;

void bindDataSet(py::module_& m) {
    py::class_<DataSet, std::shared_ptr<DataSet>> d(m, "DataSet", doc("DataSet"));
    d.def(py::init([] { return std::make_shared<DataSet>(vek::runtime().database); }),
          "A new dataset, to be stored with insertDataset.");
    readWrite(d, "key", &DataSet::key, &DataSet::setKey);
    readWrite(d, "name", &DataSet::name, &DataSet::setName);
    readOnly(d, "nodes", [](const DataSet& s) { return s.nodes(); });
    readOnly(d, "paths", [](const DataSet& s) { return s.paths(); });
    method(d, "insertNode", &DataSet::insertNode, py::arg("node"), py::arg("pathKey") = 0,
           py::arg("beforeNode") = nullptr);
    method(d, "deleteNode", &DataSet::deleteNode, py::arg("node"), py::arg("pathKey") = 0);
    method(d, "insertPath", &DataSet::insertPath, py::arg("tmpNodePath"));
    method(d, "storePath", &DataSet::storePath, py::arg("tmpNodePath"));
    method(d, "updateNode", &DataSet::updateNode, py::arg("node"), py::arg("tmpNodePath") = nullptr);
    method(d, "updatePath", &DataSet::updatePath, py::arg("tmpNodePath") = nullptr, py::arg("pathType") = 1);
    method(d, "deletePath", &DataSet::deletePath, py::arg("tmpNodePath"));
    method(d, "getPathByName", &DataSet::getPathByName, py::arg("pathName"));
    method(d, "isValidPathName", &DataSet::isValidPathName, py::arg("pathName"));
    method(d, "isValidNodeName", &DataSet::isValidNodeName, py::arg("nodeName"), py::arg("pathKey") = 0);
}

void bindDataSets(py::module_& m) {
    py::class_<DataSets, std::shared_ptr<DataSets>> d(m, "DataSets", doc("DataSets"));
    method(d, "GLOBAL_DATASET", &DataSets::GLOBAL_DATASET);
    method(d, "getDataSets", [](const DataSets& s) { return s.getDataSets(); });
    readOnly(
        d, "dataSets", [](const DataSets& s) { return s.getDataSets(); }, "getDataSets");
    method(d, "getDatasetByName", &DataSets::getDatasetByName, py::arg("datasetName"));
    method(d, "getDatasetFromBreadCrumb", &DataSets::getDatasetFromBreadCrumb, py::arg("tmpBreadCrumb"));
    method(d, "getPathFromBreadCrumb", &DataSets::getPathFromBreadCrumb, py::arg("tmpBreadCrumb"));
    method(d, "getNodesFromBreadCrumb", &DataSets::getNodesFromBreadCrumb, py::arg("tmpBreadCrumb"));
    method(d, "insertDataset", &DataSets::insertDataset, py::arg("tmpDataset"));
    method(d, "updateDataset", &DataSets::updateDataset, py::arg("tmpDataset"));
    method(d, "deleteDataset", &DataSets::deleteDataset, py::arg("tmpDataset"));
    method(d, "AppendPaths", &DataSets::AppendPaths, py::arg("firstPath"), py::arg("secondPath") = nullptr);
    method(d, "isValidDatasetName", &DataSets::isValidDatasetName, py::arg("datasetName"));
}

void bindRecords(py::module_& m) {
    using vek::MotorData;
    using vek::SimulationData;
    using vek::SlideData;
    py::class_<SlideData, std::shared_ptr<SlideData>> slide(m, "SlideData", doc("SlideData"));
    readWrite(slide, "key", &SlideData::key, &SlideData::setKey);
    readWrite(slide, "model", &SlideData::model, &SlideData::setModel);
    readWrite(slide, "pitch", &SlideData::pitch, &SlideData::setPitch);
    readWrite(slide, "stroke", &SlideData::stroke, &SlideData::setStroke);
    readWrite(slide, "maxSpeed", &SlideData::maxSpeed, &SlideData::setMaxSpeed);
    readWrite(slide, "maxAcceleration", &SlideData::maxAcceleration, &SlideData::setMaxAcceleration);
    readWrite(slide, "motorType", &SlideData::motorType, &SlideData::setMotorType);

    py::class_<MotorData, std::shared_ptr<MotorData>> motor(m, "MotorData", doc("MotorData"));
    readWrite(motor, "key", &MotorData::key, &MotorData::setKey);
    readWrite(motor, "name", &MotorData::name, &MotorData::setName);
    readWrite(
        motor, "SlideData", [](const MotorData& d) { return d.SlideData(); },
        [](MotorData& d, const std::shared_ptr<SlideData>& s) { d.setSlideData(s); });
    readWrite(motor, "acceleration", &MotorData::acceleration, &MotorData::setAcceleration);
    readOnly(motor, "inputLabels",
             [](MotorData& d) { return std::vector<std::string>(d.inputLabels().begin(), d.inputLabels().end()); });
    readOnly(motor, "outputLabels",
             [](MotorData& d) { return std::vector<std::string>(d.outputLabels().begin(), d.outputLabels().end()); });
    method(motor, "getInputLabelIndex", &MotorData::getInputLabelIndex, py::arg("label"));
    method(motor, "getOutputLabelIndex", &MotorData::getOutputLabelIndex, py::arg("label"));
    method(motor, "tuningValue", &MotorData::tuningValue, py::arg("which"));
    method(motor, "setTuningValue", &MotorData::setTuningValue, py::arg("which"), py::arg("v"));
    readWrite(motor, "effectiveStroke", &MotorData::effectiveStroke, &MotorData::setEffectiveStroke);
    readWrite(motor, "negativeHomingOffset", &MotorData::negativeHomingOffset, &MotorData::setNegativeHomingOffset);
    readWrite(motor, "positiveHomingOffset", &MotorData::positiveHomingOffset, &MotorData::setPositiveHomingOffset);

    py::class_<SimulationData, std::shared_ptr<SimulationData>> sim(m, "SimulationData", doc("SimulationData"));
    sim.def(py::init([] { return std::make_shared<SimulationData>(vek::runtime().database); }),
            "A new record of simulated inputs, saved to the loaded database.");
    readWrite(sim, "key", &SimulationData::key, &SimulationData::setKey);
    method(sim, "simulatedInputs", &SimulationData::simulatedInputs, py::arg("index"));
    method(sim, "setSimulatedInputs", &SimulationData::setSimulatedInputs, py::arg("index"), py::arg("value"));
    method(sim, "save", &SimulationData::save);

    bindCollection<std::shared_ptr<SlideData>>(m, "SlideDataCollection");
    bindCollection<std::shared_ptr<MotorData>>(m, "MotorDataCollection");
    bindCollection<std::shared_ptr<SimulationData>>(m, "SimulationDataCollection");
    bindCollection<std::string>(m, "TextCollection");
}

void bindConfiguration(py::module_& m) {
    py::class_<Configuration, std::shared_ptr<Configuration>> c(m, "Configuration", doc("Configuration"));
    method(c, "reload", &Configuration::reload);
    method(c, "loadSimulationData", &Configuration::loadSimulationData);
    method(c, "storeConfigValue", &Configuration::storeConfigValue, py::arg("name"), py::arg("value"));
    method(c, "getConfigValue", &Configuration::getConfigValue, py::arg("key"), py::arg("defaultValue") = "");
    method(c, "removeConfigValue", &Configuration::removeConfigValue, py::arg("key"));
    readOnly(c, "MOTOR_X_PITCH", &Configuration::MOTOR_X_PITCH);
    readOnly(c, "MOTOR_X_TYPE", &Configuration::MOTOR_X_TYPE);
    method(c, "saveData", &Configuration::saveData, py::arg("alsoRaisEvent") = true);
    method(c, "raiseConfigChangedEvent", &Configuration::raiseConfigChangedEvent, py::arg("source"));
    readOnly(c, "slidesData", &Configuration::slidesData);
    readOnly(c, "distinctSlidesData", &Configuration::distinctSlidesData);
    readOnly(c, "motorsData", &Configuration::motorsData);
    readOnly(c, "simulationDataCollection", &Configuration::simulationDataCollection);
    readOnly(c, "availablePorts", &Configuration::availablePorts);
    method(c, "getSimulationData", &Configuration::getSimulationData, py::arg("motorKey"));
    readWrite(c, "portName", &Configuration::portName, &Configuration::setPortName);
    readWrite(c, "unit", &Configuration::unit, &Configuration::setUnit);
    readWrite(c, "cycleCount", &Configuration::cycleCount, &Configuration::setCycleCount);
    readOnly(c, "gridIncrement", &Configuration::gridIncrement);
    c.def_property_readonly(
        "configChanged", [](Configuration & self) -> auto& { return self.configChanged; },
        py::return_value_policy::reference_internal, doc("Configuration.configChanged"));
}

void bindUser(py::module_& m) {
    using vek::User;
    py::class_<User, std::shared_ptr<User>> u(m, "User", doc("User"));
    method(u, "getRoleName", &User::getRoleName, py::arg("role"));
    method(u, "validatePrivateLogin", &User::validatePrivateLogin, py::arg("login"), py::arg("password"));
    method(u, "validatePublicLogin", &User::validatePublicLogin, py::arg("login"), py::arg("password"));
    readOnly(u, "connectTime", &User::connectTime);
    readOnly(u, "userRole", &User::userRole);
    readOnly(u, "userName", &User::userName);
    readOnly(u, "userKey", &User::userKey);
    readOnly(u, "userCompany", &User::userCompany);
}

}  // namespace

void bindPersistence(py::module_& m) {
    bindDataSet(m);
    bindCollection<std::shared_ptr<vek::NodePath>>(m, "NodePathCollection");
    bindCollection<std::shared_ptr<DataSet>>(m, "DataSetCollection");
    bindDataSets(m);
    bindRecords(m);
    bindConfiguration(m);
    bindUser(m);
}

}  // namespace vekpy
