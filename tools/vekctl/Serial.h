#pragma once
#include <cstdint>
#include <string>

namespace vekctl {

struct EmulateOptions {
    int motors = 3;
    bool lineTime = false;  // bytes take 10 bits / baud on every hop
    double speed = 1.0;     // motion runs this many times faster than real time
    int32_t baudRate = 9600;
};

struct ChainOptions {
    std::string port;
    int32_t baudRate = 9600;
    int32_t maxMotors = 8;
    std::string command;  // for send: one command text, "2RP"
};

// Runs the chain emulator on a new pseudo-terminal, prints its path and
// serves until interrupted (SIGINT or SIGTERM).
int runEmulate(const EmulateOptions& options);
// Addresses the chain on the port and prints each motor with its position
// and status, then "N motors".
int runChain(const ChainOptions& options);
// Addresses the chain, sends one command text and prints its answer.
int runSend(const ChainOptions& options);
// Lists the serial ports of the machine with what they say of themselves
// (a USB adapter's maker, product and serial number).
int runPorts();

}  // namespace vekctl
