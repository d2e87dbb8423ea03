// The peripherals a user program reaches through Server: the operator panel,
// the external I/O, the camera, the load cell, drawing and spreadsheet
// import, the plain serial port and the Ethernet messages.
#include "Binding.h"
#include "vek/comm/Ethernet.h"
#include "vek/comm/Serial.h"
#include "vek/geometry/Node.h"
#include "vek/peripherals/DataImporter.h"
#include "vek/peripherals/Excel.h"
#include "vek/peripherals/External.h"
#include "vek/peripherals/Hmi.h"
#include "vek/peripherals/IIOData.h"
#include "vek/peripherals/Vision.h"

namespace vekpy {

using py::arg;

void bindPeripherals(py::module_& m) {
    py::class_<vek::Hmi, std::shared_ptr<vek::Hmi>> hmi(m, "Hmi", doc("Hmi"));
    method(hmi, "ReadBinary", &vek::Hmi::ReadBinary, arg("ioNumber"));
    method(hmi, "WriteBinary", &vek::Hmi::WriteBinary, arg("ioNumber"), arg("value"));
    method(hmi, "ReadRegister", &vek::Hmi::ReadRegister, arg("ioNumber"));
    method(hmi, "WriteRegister", &vek::Hmi::WriteRegister, arg("ioNumber"), arg("value"));
    method(hmi, "SaveIO", &vek::Hmi::SaveIO);
    readOnly(hmi, "port", &vek::Hmi::port);

    py::class_<vek::IIOData, std::shared_ptr<vek::IIOData>> io(m, "IOData", doc("IIOData"));
    readOnly(io, "externalDeviceFound", &vek::IIOData::externalDeviceFound);
    readOnly(io, "ioIP", &vek::IIOData::ioIP);
    readOnly(io, "ioInBlocks", &vek::IIOData::ioInBlocks);
    readOnly(io, "ioOutBlocks", &vek::IIOData::ioOutBlocks);
    method(io, "getInputState", &vek::IIOData::getInputState, arg("inputNumber"));
    method(io, "getOutputState", &vek::IIOData::getOutputState, arg("outputNumber"));
    method(io, "setOutputState", &vek::IIOData::setOutputState, arg("outputNumber"), arg("state"));
    method(io, "getInputLabelIndex", &vek::IIOData::getInputLabelIndex, arg("label"));
    method(io, "getOutputLabelIndex", &vek::IIOData::getOutputLabelIndex, arg("label"));
    method(io, "saveIOs", &vek::IIOData::saveIOs);

    py::class_<vek::Vision, std::shared_ptr<vek::Vision>> vision(m, "Vision", doc("Vision"));
    method(vision, "ConnectCognex", &vek::Vision::ConnectCognex, arg("host"), arg("port"), arg("User") = "",
           arg("password") = "");
    method(vision, "ConnectDVT", &vek::Vision::ConnectDVT, arg("host"), arg("port"), arg("User") = "",
           arg("password") = "");
    method(vision, "ProcessCognex", &vek::Vision::ProcessCognex);
    method(vision, "ProcessDVT", &vek::Vision::ProcessDVT);
    method(vision, "GetCognexValue", &vek::Vision::GetCognexValue, arg("col"), arg("row"));
    method(vision, "GetDVTValue", &vek::Vision::GetDVTValue, arg("key"));
    readOnly(vision, "connected", &vek::Vision::connected);
    readWrite(vision, "answerTimeout", &vek::Vision::answerTimeout, &vek::Vision::setAnswerTimeout);

    py::class_<vek::External, std::shared_ptr<vek::External>> external(m, "External", doc("External"));
    method(external, "GetLoadCellReading", &vek::External::GetLoadCellReading, arg("deviceNumber"),
           arg("channelNumber"));
    method(external, "FinalizeLoadCell", &vek::External::FinalizeLoadCell);

    py::class_<vek::DataImporter, std::shared_ptr<vek::DataImporter>> importer(m, "DataImporter", doc("DataImporter"));
    method(importer, "extract", &vek::DataImporter::extract, arg("fileName"));

    py::class_<vek::Excel, std::shared_ptr<vek::Excel>> excel(m, "Excel", doc("Excel"));
    method(excel, "ReadFile", &vek::Excel::ReadFile, arg("fileName"), arg("sheetName") = "Sheet1");
    method(excel, "GetValue", &vek::Excel::GetValue, arg("row"), arg("col"));

    py::class_<vek::Serial, std::shared_ptr<vek::Serial>> serial(m, "Serial", doc("Serial"));
    method(serial, "OpenPort", &vek::Serial::OpenPort, arg("portNum"), arg("baudRate") = 9600, arg("parity") = "N",
           arg("dataBits") = 8, arg("stopBit") = 1.0, arg("handshake") = 1);
    method(serial, "ReadPort", &vek::Serial::ReadPort);
    method(serial, "WritePort", &vek::Serial::WritePort, arg("data"));
    method(serial, "ClosePort", &vek::Serial::ClosePort);
    readOnly(serial, "isOpen", &vek::Serial::isOpen);

    py::class_<vek::Ethernet, std::shared_ptr<vek::Ethernet>> ethernet(m, "Ethernet", doc("Ethernet"));
    method(ethernet, "getProvisioningProtocol", &vek::Ethernet::getProvisioningProtocol);
}

}  // namespace vekpy
