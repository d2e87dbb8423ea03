// The enums, events, the event loop (waits, timers, clocks), the log and the
// install folder.
#include <cmath>

#include "Binding.h"
#include "vek/foundation/Clock.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/Log.h"
#include "vek/motion/Runtime.h"

namespace vekpy {

namespace {

// Every public enum as a Python IntEnum: its members are ints, so they go
// wherever vek takes a number (LogLevel.DISPLAYONLY == 5).
void bindEnums(py::module_& m) {
    const py::object intEnum = py::module_::import("enum").attr("IntEnum");
    for (const auto& table : enumTables()) {
        py::list members;
        for (const auto& [name, value] : table.members) members.append(py::make_tuple(name, value));
        m.attr(table.name.c_str()) = intEnum(table.name, members, py::arg("module") = m.attr("__name__"));
    }
}

// Waits `seconds` of vek's clock, servicing vek's events; Ctrl-C ends it.
void waitSeconds(double seconds) {
    if (!std::isfinite(seconds)) throw py::value_error("wait(): seconds must be a finite number");
    guarded([&] {
        auto& loop = vek::eventLoop();
        const double deadline = loop.now() + seconds;
        while (!interruptRequested() && loop.now() < deadline) loop.wait(std::min(0.05, deadline - loop.now()));
    });
}

}  // namespace

void bindFoundation(py::module_& m) {
    bindEnums(m);
    bindEvent<std::string, int16_t>(m, "MessageEvent");
    bindEvent<std::string, std::string>(m, "CommandEvent");
    bindEvent<std::string>(m, "NameEvent");
    bindEvent<>(m, "SignalEvent");
    py::class_<vek::Connection>(m, "Connection", "Handle of a connected event handler.")
        .def("disconnect", &vek::Connection::disconnect, "Removes the handler.")
        .def_property_readonly("connected", &vek::Connection::connected);

    m.def("wait", &waitSeconds, py::arg("seconds"),
          "Waits `seconds` of vek's clock while vek's events (timers, the simulated motors, sockets) run. "
          "Ctrl-C ends the wait with vek.Interrupted.");
    m.def(
        "now", [] { return vek::eventLoop().now(); }, "Seconds on vek's clock.");
    m.def(
        "startTimer",
        [](double interval, const py::function& callback) {
            if (!(interval > 0) || !std::isfinite(interval))
                throw py::value_error("startTimer(): interval must be a positive number of seconds");
            PyCallable call(callback);
            return vek::eventLoop().startTimer(interval, [call] { call(); });
        },
        py::arg("interval"), py::arg("callback"),
        "Calls `callback` every `interval` seconds of vek's clock while vek waits; returns the timer's id.");
    m.def(
        "stopTimer", [](uint64_t id) { vek::eventLoop().stopTimer(id); }, py::arg("id"), "Stops a timer.");
    m.def(
        "useVirtualTime",
        [](double pollQuantum) {
            auto clock = std::make_shared<vek::ManualClock>();
            if (pollQuantum > 0) clock->setPollQuantum(pollQuantum);
            vek::eventLoop().setClock(clock);
        },
        py::arg("pollQuantum") = 0.001,
        "Runs vek's clock in virtual time: a wait returns at once with the clock moved to its end, and "
        "simulated motors move as they would in that time.");
    m.def(
        "useRealTime", [] { vek::eventLoop().setClock(nullptr); },
        "Runs vek's clock in wall-clock time (the default).");
    m.def("installFolder", &vek::installFolder, "The folder of vek's data, programs and logs.");
    m.def("setInstallFolder", &vek::setInstallFolder, py::arg("path"),
          "Makes `path` the install folder; call it before the first Server.");
    m.def("installSubfolder", &vek::installSubfolder, py::arg("name"), "<install folder>/<name>.");
    m.def(
        "shutDown", [] { guarded([] { vek::shutDown(); }); },
        "Releases vek's process-wide objects; the next Server starts vek again.");

    py::class_<vek::Log, std::shared_ptr<vek::Log>> log(m, "Log", doc("Log"));
    method(log, "LogMessage", &vek::Log::LogMessage, py::arg("message"), py::arg("source") = -1,
           py::arg("code") = "Unknown", py::arg("level") = 1);
    method(log, "doLogMessage", &vek::Log::doLogMessage, py::arg("level"));
    readOnly(log, "isFileOpen", &vek::Log::isFileOpen);
    readOnly(log, "logLevelNames", &vek::Log::logLevelNames);
    readOnly(log, "logSourceNames", &vek::Log::logSourceNames);
    readOnly(log, "logTimeNames", &vek::Log::logTimeNames);
    log.def_static("logFilePath", &vek::Log::logFilePath, doc("Log.logFilePath"));
    log.def_property_readonly(
        "messagedLogged", [](vek::Log & l) -> auto& { return l.messagedLogged; },
        py::return_value_policy::reference_internal, doc("Log.messagedLogged"));
}

}  // namespace vekpy
