#include "vek/comm/engine/ProgramTransfer.h"

#include <span>

#include "vek/comm/ICommunication.h"
#include "vek/comm/engine/CompiledProgram.h"
#include "vek/comm/engine/ProgramStore.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

namespace {

// Far above any motor's program memory: a motor announcing more is broken.
constexpr uint64_t kLargestProgram = 1u << 24;

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

template <typename Accept>
std::string ProgramTransfer::ask(int32_t motor, const std::string& command, Accept accept) {
    const std::string text = std::to_string(motor) + command;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        std::string answer;
        try {
            answer = channel_.getResponseOf(text);
        } catch (const NumberedError& e) {
            // A line fault costs one try (the engine leaves a clean line
            // behind); a port that is gone fails every one of them.
            lineFault_ = e.description();
        }
        if (accept(answer)) return answer;
        logAt(LogLevel::DEVELOPER, [&] {
            return "Program transfer: motor " + std::to_string(motor) + " answered \"" + answer + "\" to " + command +
                   " (try " + std::to_string(attempt) + " of " + std::to_string(kAttempts) + ")";
        });
    }
    return {};
}

void ProgramTransfer::fail(int32_t motor, const std::string& what, const std::string& reason) {
    throw NumberedError(ErrorCodes::FILE_IO_FAILED, "Program " + what + " of motor " + std::to_string(motor) +
                                                        " failed: " + reason +
                                                        (lineFault_.empty() ? "" : " [" + lineFault_ + "]"));
}

void ProgramTransfer::abandon(int32_t motor, const std::string& reason) {
    // The motor must not wait for the rest of a download that will not come.
    try {
        channel_.getResponseOf(std::to_string(motor) + "LDABORT");
    } catch (const NumberedError&) {
        // The line is gone: the motor drops the download at its next LOAD.
    }
    fail(motor, "download", reason);
}

void ProgramTransfer::download(int32_t motor, const std::string& fileName) {
    const auto bytes = readProgramFile(fileName);
    if (!bytes) throw NumberedError::platform(PlatformErrors::FILE_NOT_FOUND);
    const std::string crc = crcText(crc32(*bytes));
    const std::string ready = ask(motor, "LOAD " + std::to_string(bytes->size()) + " " + crc,
                                  [](const std::string& a) { return a == "READY"; });
    if (ready.empty()) fail(motor, "download", "the motor did not get ready for " + fileName);
    std::size_t sequence = 0;
    for (std::size_t at = 0; at < bytes->size(); at += kChunkBytes, ++sequence) {
        const std::size_t count = std::min(kChunkBytes, bytes->size() - at);
        const std::string ack = "ACK " + std::to_string(sequence);
        const std::string command = "LD " + std::to_string(sequence) + " " + toHexDigits(bytes->data() + at, count);
        if (ask(motor, command, [&](const std::string& a) { return a == ack; }).empty())
            abandon(motor, "chunk " + std::to_string(sequence) + " was not acknowledged");
    }
    const std::string end = ask(motor, "LDEND", [](const std::string& a) {
        return startsWith(a, "OK ") || startsWith(a, "BAD ") || a == "INVALID";
    });
    if (end == "OK " + crc) return;
    if (end == "INVALID") abandon(motor, fileName + " is not a compiled program");
    if (startsWith(end, "BAD ") || startsWith(end, "OK "))
        abandon(motor, "the motor computed checksum " + end.substr(end.find(' ') + 1) + " instead of " + crc);
    abandon(motor, "the motor did not confirm the program");
}

void ProgramTransfer::upload(int32_t motor, const std::string& fileName) {
    std::optional<uint64_t> size;
    std::optional<uint64_t> crc;
    ask(motor, "UPLOAD", [&](const std::string& a) {
        const std::size_t blank = a.find(' ');
        if (blank == std::string::npos || a.size() - blank - 1 != 8) return false;
        size = parseTransferNumber(std::string_view(a).substr(0, blank));
        crc = parseTransferNumber(std::string_view(a).substr(blank + 1), 16);
        return size && crc;
    });
    if (!size || !crc) fail(motor, "upload", "the motor did not announce its program");
    if (*size > kLargestProgram)
        fail(motor, "upload", "the motor announced " + std::to_string(*size) + " bytes, more than a motor holds");
    std::vector<uint8_t> bytes;
    while (bytes.size() < *size) {
        const std::size_t wanted = std::min<std::size_t>(kChunkBytes, *size - bytes.size());
        std::optional<std::vector<uint8_t>> chunk;
        ask(motor, "UL " + std::to_string(bytes.size()), [&](const std::string& a) {
            chunk = fromHexDigits(a);
            return chunk && chunk->size() == wanted;
        });
        if (!chunk || chunk->size() != wanted)
            fail(motor, "upload", "no answer for the bytes from " + std::to_string(bytes.size()));
        bytes.insert(bytes.end(), chunk->begin(), chunk->end());
    }
    if (crc32(bytes) != *crc)
        fail(motor, "upload",
             "checksum " + crcText(crc32(bytes)) + " instead of " + crcText(static_cast<uint32_t>(*crc)));
    if (!writeProgramFile(fileName, bytes)) fail(motor, "upload", "cannot write " + fileName);
}

}  // namespace vek
