#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vek {

// A compiled motor program and its ".smx" file form (PROTOCOL.md,
// "Compiled programs"): the label table and the code, behind a header with
// a CRC-32 of both.
struct CompiledProgram {
    static constexpr uint32_t kNoLabel = 0xFFFFFFFFu;
    static constexpr std::size_t kHeaderSize = 16;

    // Code offset of label i; kNoLabel where a label number is not defined.
    std::vector<uint32_t> labels;
    std::vector<uint8_t> code;

    // The ".smx" bytes.
    std::vector<uint8_t> toSmx() const;
    // The program in ".smx" bytes; nothing when they are not one (`why`
    // then says what is wrong: too short, another magic or version, sizes
    // that do not add up, a checksum that does not match).
    static std::optional<CompiledProgram> fromSmx(std::span<const uint8_t> bytes, std::string* why = nullptr);
};

// CRC-32 as Ethernet and zlib compute it (reflected polynomial 0xEDB88320,
// start and final XOR 0xFFFFFFFF). Chains: crc32(b, crc32(a)) == crc32(a + b).
uint32_t crc32(std::span<const uint8_t> bytes, uint32_t previous = 0);

// The bytes of a file; nothing when it cannot be read.
std::optional<std::vector<uint8_t>> readProgramFile(const std::string& path);
// Replaces the file with `bytes` through a temporary file beside it, so that
// a failed write leaves any earlier file as it was. False when it fails.
bool writeProgramFile(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace vek
