#include "vek/comm/engine/ProgramStore.h"

#include <charconv>

#include "vek/comm/engine/CompiledProgram.h"

namespace vek {

namespace {

// The first word of `text` and what follows the blank after it.
std::pair<std::string_view, std::string_view> splitWord(std::string_view text) {
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos) return {text, {}};
    return {text.substr(0, blank), text.substr(blank + 1)};
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string toHexDigits(const uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return text;
}

std::optional<std::vector<uint8_t>> fromHexDigits(std::string_view digits) {
    if (digits.size() % 2 != 0) return std::nullopt;
    std::vector<uint8_t> bytes;
    bytes.reserve(digits.size() / 2);
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = hexValue(digits[i]);
        const int low = hexValue(digits[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return bytes;
}

std::string crcText(uint32_t crc) {
    const uint8_t bytes[] = {static_cast<uint8_t>(crc >> 24), static_cast<uint8_t>(crc >> 16),
                             static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)};
    return toHexDigits(bytes, 4);
}

std::optional<uint64_t> parseTransferNumber(std::string_view text, int base) {
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::optional<std::string> ProgramStore::answer(std::string_view command) {
    const auto [word, arguments] = splitWord(command);
    if (word == "LOAD") return load(arguments);
    if (word == "LD") return chunk(arguments);
    if (word == "LDEND") return end();
    if (word == "LDABORT") {
        loading_ = false;
        staged_.clear();
        return "ABORTED";
    }
    if (word == "UPLOAD") return std::to_string(program_.size()) + " " + crcText(crc32(program_));
    if (word == "UL") return uploadChunk(arguments);
    return std::nullopt;
}

std::string ProgramStore::load(std::string_view arguments) {
    const auto [sizeText, crc] = splitWord(arguments);
    const auto size = parseTransferNumber(sizeText);
    const auto expected = crc.size() == 8 ? parseTransferNumber(crc, 16) : std::nullopt;
    if (!size || !expected) return "REFUSED format";
    if (*size == 0 || *size > capacity_) return "REFUSED size";
    loading_ = true;
    expectedSize_ = static_cast<std::size_t>(*size);
    expectedCrc_ = static_cast<uint32_t>(*expected);
    nextChunk_ = 0;
    staged_.clear();
    return "READY";
}

std::string ProgramStore::chunk(std::string_view arguments) {
    const auto [sequenceText, digits] = splitWord(arguments);
    const auto sequence = parseTransferNumber(sequenceText);
    if (!loading_ || !sequence) return "NAK " + std::string(sequenceText);
    const std::string ack = "ACK " + std::to_string(*sequence);
    // The host sends a chunk again when our ACK went missing.
    if (nextChunk_ > 0 && *sequence == nextChunk_ - 1) return ack;
    const auto bytes = fromHexDigits(digits);
    if (*sequence != nextChunk_ || !bytes || bytes->empty() || staged_.size() + bytes->size() > expectedSize_)
        return "NAK " + std::to_string(*sequence);
    staged_.insert(staged_.end(), bytes->begin(), bytes->end());
    ++nextChunk_;
    return ack;
}

std::string ProgramStore::end() {
    if (!loading_) return "BAD " + crcText(0);
    loading_ = false;
    const uint32_t crc = crc32(staged_);
    if (staged_.size() != expectedSize_ || crc != expectedCrc_) {
        staged_.clear();
        return "BAD " + crcText(crc);
    }
    if (!CompiledProgram::fromSmx(staged_)) {
        staged_.clear();
        return "INVALID";
    }
    program_ = std::move(staged_);
    staged_.clear();
    return "OK " + crcText(crc);
}

std::string ProgramStore::uploadChunk(std::string_view arguments) const {
    const auto offset = parseTransferNumber(arguments);
    if (!offset || *offset > program_.size()) return "NAK";
    const std::size_t at = static_cast<std::size_t>(*offset);
    const std::size_t count = std::min<std::size_t>(32, program_.size() - at);
    return toHexDigits(program_.data() + at, count);
}

}  // namespace vek
