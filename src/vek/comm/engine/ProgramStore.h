#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vek {

// The motor side of program transfer (PROTOCOL.md, "Program transfer"): the
// program a motor keeps and the download it is receiving. It answers the
// transfer commands (LOAD, LD, LDEND, LDABORT, UPLOAD, UL) and replaces its
// program only when a download ends complete, with the announced CRC-32 and
// as a compiled program; any other ending leaves the earlier program.
// Emulated motors answer with it.
class ProgramStore {
public:
    static constexpr std::size_t kDefaultCapacity = 32768;

    explicit ProgramStore(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

    // The answer to a motor command without its motor number; nothing when
    // it is no transfer command.
    std::optional<std::string> answer(std::string_view command);

    const std::vector<uint8_t>& program() const { return program_; }
    void setProgram(std::vector<uint8_t> program) { program_ = std::move(program); }
    bool isLoading() const { return loading_; }

private:
    std::string load(std::string_view arguments);
    std::string chunk(std::string_view arguments);
    std::string end();
    std::string uploadChunk(std::string_view arguments) const;

    std::size_t capacity_;
    std::vector<uint8_t> program_;
    bool loading_ = false;
    std::size_t expectedSize_ = 0;
    uint32_t expectedCrc_ = 0;
    uint32_t nextChunk_ = 0;
    std::vector<uint8_t> staged_;
};

// Helpers of both sides: bytes as upper-case hex digits and back (nothing
// for an odd length or a non-hex digit), a CRC as eight hex digits, and a
// decimal or hex number of a command (nothing unless the whole text is one).
std::string toHexDigits(const uint8_t* bytes, std::size_t count);
std::optional<std::vector<uint8_t>> fromHexDigits(std::string_view digits);
std::string crcText(uint32_t crc);
std::optional<uint64_t> parseTransferNumber(std::string_view text, int base = 10);

}  // namespace vek
