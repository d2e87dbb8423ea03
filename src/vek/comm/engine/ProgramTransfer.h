#pragma once
#include <cstdint>
#include <string>

namespace vek {

class ICommunication;

// The host side of program download and upload (PROTOCOL.md, "Program
// transfer"): moves a compiled program file to or from one motor in
// acknowledged chunks with a CRC-32 that the motor checks before it replaces
// its program. Runs over any channel's command texts, so the serial channel
// implements its download and forceUpload with it.
class ProgramTransfer {
public:
    static constexpr std::size_t kChunkBytes = 32;
    // Tries per command before the transfer is given up.
    static constexpr int kAttempts = 3;

    explicit ProgramTransfer(ICommunication& channel) : channel_(channel) {}

    // Sends the file to motor `motor`. Error 53 when the file cannot be
    // read; FILE_IO_FAILED (2) when the motor refuses it, stops answering,
    // reports another checksum or the line fails three times in a row; the
    // motor keeps its earlier program then.
    void download(int32_t motor, const std::string& fileName);
    // Writes motor `motor`'s program into `fileName`, replacing it only once
    // the whole program arrived with the checksum the motor announced;
    // FILE_IO_FAILED otherwise (and when the file cannot be written).
    void upload(int32_t motor, const std::string& fileName);

private:
    // The answer to `command` for `motor`, asked up to kAttempts times until
    // `accept` takes it; empty when it never does.
    template <typename Accept>
    std::string ask(int32_t motor, const std::string& command, Accept accept);
    // Aborts a download the motor has started taking, then fails.
    [[noreturn]] void abandon(int32_t motor, const std::string& reason);
    [[noreturn]] void fail(int32_t motor, const std::string& what, const std::string& reason);

    ICommunication& channel_;
    // The channel's last failure (a line fault, a port gone), named when the
    // transfer gives up.
    std::string lineFault_;
};

}  // namespace vek
