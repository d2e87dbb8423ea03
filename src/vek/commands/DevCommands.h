#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vek {

class Error;
class LinearSlides;

// Lets a user program speak the motors' own command language on the open
// channel, past the unit conversions and checks of Commands (one
// process-wide instance, Server::DevCommands). Meant for experiments: the
// first use of an instance logs a warning saying so.
//
//   devCommands->WriteSmartMotorCommand(2, "RP");   // sends "2RP"
//   std::string position = devCommands->ReadSmartMotorResponse();
class DevCommands {
public:
    // The validator and the façade, asked at every call (null while absent).
    struct Sources {
        std::function<std::shared_ptr<const Error>()> validator;
        std::function<std::shared_ptr<LinearSlides>()> slides;
    };

    explicit DevCommands(Sources sources);
    ~DevCommands();
    DevCommands(const DevCommands&) = delete;
    DevCommands& operator=(const DevCommands&) = delete;

    // Sends the decimal motor number followed by `motorCommand`; nothing is
    // read back.
    void WriteSmartMotorCommand(int16_t motorIndex, const std::string& motorCommand);
    // The next response line of the channel, or empty text when none comes.
    std::string ReadSmartMotorResponse();

    // Library-internal: logs the experimental-use warning once.
    void warnExperimental();

private:
    LinearSlides& slides() const;

    Sources sources_;
    bool warned_ = false;
};

}  // namespace vek
