#pragma once
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace vek {

int childReaderSeconds();

// Runs a file reader of an outside library apart from vek: `work` runs in a
// forked child and its bytes come back through a pipe. dxflib loops for ever
// and FreeXL reads outside its buffers on some damaged files; in a child,
// neither can crash or hang the host. Null when the child died, failed or
// ran past `seconds` (it is killed then).
std::optional<std::string> runInChild(const std::function<std::string()>& work, int seconds = childReaderSeconds());

// How long a reader may take (30 s unless set), so that a drawing or
// workbook that makes its reader loop is refused.
int childReaderSeconds();
void setChildReaderSeconds(int seconds);

// Values packed into bytes in the child and unpacked in vek, in the same
// order. Unpacking past the end throws std::length_error.
class Packet {
public:
    Packet() = default;
    explicit Packet(std::string bytes) : bytes_(std::move(bytes)) {}
    const std::string& bytes() const { return bytes_; }
    std::string take() && { return std::move(bytes_); }
    void reserve(std::size_t size) { bytes_.reserve(size); }

    void put(const std::string& text) {
        put(static_cast<uint32_t>(text.size()));
        bytes_ += text;
    }
    template <typename T>
    void put(T value) {
        const std::size_t at = bytes_.size();
        bytes_.resize(at + sizeof value);
        std::memcpy(bytes_.data() + at, &value, sizeof value);
    }
    template <typename T>
    T get() {
        T value{};
        need(sizeof value);
        std::memcpy(&value, bytes_.data() + at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    std::string text() {
        const auto size = get<uint32_t>();
        need(size);
        at_ += size;
        return bytes_.substr(at_ - size, size);
    }
    bool atEnd() const { return at_ == bytes_.size(); }

private:
    void need(std::size_t size) const {
        if (bytes_.size() - at_ < size) throw std::length_error("cut short");
    }
    std::string bytes_;
    std::size_t at_ = 0;
};

}  // namespace vek
