#include "vek/comm/engine/CompiledProgram.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "vek/foundation/InstallFolder.h"

namespace vek {

namespace {

constexpr std::array<uint8_t, 4> kMagic = {'V', 'S', 'M', 'X'};
constexpr uint8_t kVersion = 1;

constexpr std::array<uint32_t, 256> makeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = makeCrcTable();

void putU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void putU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}
uint32_t getU32(std::span<const uint8_t> b, std::size_t at) {
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

std::optional<CompiledProgram> refuse(std::string* why, const char* reason) {
    if (why) *why = reason;
    return std::nullopt;
}

}  // namespace

uint32_t crc32(std::span<const uint8_t> bytes, uint32_t previous) {
    uint32_t c = previous ^ 0xFFFFFFFFu;
    for (const uint8_t b : bytes) c = kCrcTable[(c ^ b) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::vector<uint8_t> CompiledProgram::toSmx() const {
    std::vector<uint8_t> out(kMagic.begin(), kMagic.end());
    out.push_back(kVersion);
    out.push_back(0);
    putU16(out, static_cast<uint16_t>(labels.size()));
    putU32(out, static_cast<uint32_t>(code.size()));
    putU32(out, 0);  // the checksum, once the body is there
    for (const uint32_t offset : labels) putU32(out, offset);
    out.insert(out.end(), code.begin(), code.end());
    const uint32_t crc = crc32(std::span<const uint8_t>(out).subspan(kHeaderSize));
    for (int i = 0; i < 4; ++i) out[12 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(crc >> (8 * i));
    return out;
}

std::optional<CompiledProgram> CompiledProgram::fromSmx(std::span<const uint8_t> bytes, std::string* why) {
    if (bytes.size() < kHeaderSize) return refuse(why, "shorter than the header");
    if (!std::equal(kMagic.begin(), kMagic.end(), bytes.begin())) return refuse(why, "not a compiled program");
    if (bytes[4] != kVersion) return refuse(why, "a format version vek does not know");
    const std::size_t labelCount = std::size_t{bytes[6]} | std::size_t{bytes[7]} << 8;
    const std::size_t codeSize = getU32(bytes, 8);
    if (bytes.size() != kHeaderSize + 4 * labelCount + codeSize) return refuse(why, "sizes that do not add up");
    if (crc32(bytes.subspan(kHeaderSize)) != getU32(bytes, 12)) return refuse(why, "a checksum that does not match");
    CompiledProgram program;
    program.labels.reserve(labelCount);
    for (std::size_t i = 0; i < labelCount; ++i) program.labels.push_back(getU32(bytes, kHeaderSize + 4 * i));
    const auto code = bytes.subspan(kHeaderSize + 4 * labelCount);
    program.code.assign(code.begin(), code.end());
    return program;
}

std::optional<std::vector<uint8_t>> readProgramFile(const std::string& path) {
    const std::string native = toNativePath(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(native, error)) return std::nullopt;
    std::ifstream in(native, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

bool writeProgramFile(const std::string& path, std::span<const uint8_t> bytes) {
    const std::string target = toNativePath(path);
    const std::string temporary = target + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            ::unlink(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace vek
