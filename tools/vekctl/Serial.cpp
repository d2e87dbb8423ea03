#include "Serial.h"

#include <libserialport.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "ChainEmulator.h"
#include "Demo.h"
#include "MotorPrograms.h"
#include "vek/comm/Communication.h"
#include "vek/foundation/Convert.h"
#include "vek/foundation/NumberedError.h"
#include "vek/motors/Motor.h"

namespace vekctl {

namespace {

std::atomic<bool> interrupted{false};

void onSignal(int) {
    interrupted = true;
}

int failed(const std::string& what, const vek::NumberedError& e, int code) {
    std::cerr << "vekctl: " << what << ": error " << e.number() << ": " << e.description() << "\n";
    return code;
}

// The set status bits by name, "Bo - Motor off, Bp - Right limit"; "none".
std::string statusText(int32_t status) {
    std::string text;
    for (int16_t bit = 0; bit < 16; ++bit)
        if (status & (1 << bit))
            text += (text.empty() ? "" : ", ") + std::string(vek::Motor::statusBitDescription(bit));
    return text.empty() ? "none" : text;
}

// Opens and addresses the chain; the number of motors, or -1 after saying
// why not.
int openChain(vek::Communication& comm, const ChainOptions& options, int& code) {
    try {
        comm.OpenPort(options.port, options.baudRate);
        return comm.initMotors(options.maxMotors);
    } catch (const vek::NumberedError& e) {
        code = failed("cannot reach the chain on " + options.port, e, Exit::CONNECTION);
        return -1;
    }
}

}  // namespace

int runEmulate(const EmulateOptions& options) {
    vek::emulator::EmulatorOptions o;
    o.motors = options.motors;
    o.lineTime = options.lineTime;
    o.timeScale = options.speed;
    o.baudRate = options.baudRate;
    try {
        vek::emulator::ChainEmulator chain(o);
        // Each motor keeps the programs it is sent and runs them, as a real one does.
        vek::emulator::giveMotorsPrograms(chain, [](int motor, const std::string& fault) {
            std::cerr << "motor " << motor << ": the program stopped on " << fault << std::endl;
        });
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::cout << chain.portPath() << "\n"
                  << "Emulating " << options.motors << " motors at " << options.baudRate << " baud"
                  << (options.lineTime ? " with line time" : "") << "; stop with Ctrl-C." << std::endl;
        chain.serve(interrupted);
        std::cout << "Stopped." << std::endl;
        return Exit::OK;
    } catch (const std::exception& e) {
        std::cerr << "vekctl: cannot start the emulator: " << e.what() << "\n";
        return Exit::CONNECTION;
    }
}

int runChain(const ChainOptions& options) {
    vek::Communication comm;
    int code = Exit::OK;
    const int n = openChain(comm, options, code);
    if (n < 0) return code;
    try {
        for (int i = 1; i <= n; ++i) {
            const std::string id = std::to_string(i);
            const std::string position = comm.getResponseOf(id + "RP");
            const std::string status = comm.getResponseOf(id + "RW");
            const auto word = static_cast<int32_t>(vek::val(status));
            std::cout << "motor " << i << "  position " << (position.empty() ? "(no answer)" : position) << "  status "
                      << (status.empty() ? "(no answer)" : status + " (" + statusText(word) + ")") << "\n";
        }
        std::cout << n << " motors\n";
        comm.ClosePort();
    } catch (const vek::NumberedError& e) {
        return failed("the chain on " + options.port + " failed", e, Exit::LINE);
    }
    return Exit::OK;
}

int runSend(const ChainOptions& options) {
    vek::Communication comm;
    int code = Exit::OK;
    const int n = openChain(comm, options, code);
    if (n < 0) return code;
    try {
        if (n == 0) std::cerr << "vekctl: no motor answers on " << options.port << "\n";
        std::cout << comm.getResponseOf(options.command) << "\n";
        comm.ClosePort();
    } catch (const vek::NumberedError& e) {
        return failed(options.command + " failed", e, Exit::LINE);
    }
    return Exit::OK;
}

int runPorts() {
    // libserialport lists ports with their USB descriptions; vek opens them
    // with termios (libserialport cannot open pseudo-terminals).
    sp_port** ports = nullptr;
    if (sp_list_ports(&ports) != SP_OK) {
        std::cerr << "vekctl: cannot list the serial ports: " << sp_last_error_message() << "\n";
        return Exit::CONNECTION;
    }
    int count = 0;
    for (sp_port** p = ports; *p; ++p, ++count) {
        const auto text = [](const char* t) { return std::string(t ? t : ""); };
        std::cout << sp_get_port_name(*p) << "  " << text(sp_get_port_description(*p));
        int vid = 0, pid = 0;
        if (sp_get_port_transport(*p) == SP_TRANSPORT_USB && sp_get_port_usb_vid_pid(*p, &vid, &pid) == SP_OK) {
            char ids[16];
            std::snprintf(ids, sizeof ids, "%04X:%04X", vid, pid);
            std::cout << " (USB " << ids;
            for (const char* part : {sp_get_port_usb_manufacturer(*p), sp_get_port_usb_product(*p)})
                if (part) std::cout << ", " << part;
            if (const char* serial = sp_get_port_usb_serial(*p)) std::cout << ", serial " << serial;
            std::cout << ")";
        }
        std::cout << "\n";
    }
    sp_free_port_list(ports);
    std::cout << count << (count == 1 ? " serial port" : " serial ports") << "\n";
    return Exit::OK;
}

}  // namespace vekctl
