#include "vek/peripherals/ModbusSlave.h"

#include <arpa/inet.h>
#include <modbus/modbus.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <vector>

#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

namespace {

constexpr std::size_t kHeader = 7;  // MBAP header: transaction, protocol, length, unit
constexpr std::size_t kMaxFrame = MODBUS_TCP_MAX_ADU_LENGTH;

uint16_t u16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

// What a well-formed request asks of the blocks.
struct Verdict {
    bool wellFormed = true;
    bool served = true;  // else answered "illegal function"
    std::optional<ModbusSlave::Written> written;
};

bool inBlock(uint16_t address, uint32_t count, uint16_t first, uint16_t size) {
    return address >= first && address - first + count <= size;
}

// Checks the PDU (function code first) of one request against what its
// function needs, and tells which data a successful write changes. libmodbus
// reads the request as its function says, so a short frame must not reach it.
Verdict judge(const uint8_t* pdu, std::size_t n, const ModbusSlave::Layout& l) {
    Verdict v;
    const auto fixed = [&](std::size_t size) { v.wellFormed = n == size; };
    const auto counted = [&](std::size_t before) {  // byte count at pdu[before - 1]
        v.wellFormed = n >= before && n == before + pdu[before - 1];
    };
    const auto write = [&](bool coils, uint16_t address, uint32_t count) {
        if (v.wellFormed && (coils ? inBlock(address, count, l.firstCoil, l.coils)
                                   : inBlock(address, count, l.firstRegister, l.registers)))
            v.written = ModbusSlave::Written{coils, address, static_cast<uint16_t>(count)};
    };
    switch (pdu[0]) {
        case MODBUS_FC_READ_COILS:
        case MODBUS_FC_READ_DISCRETE_INPUTS:
        case MODBUS_FC_READ_HOLDING_REGISTERS:
        case MODBUS_FC_READ_INPUT_REGISTERS: fixed(5); break;
        case MODBUS_FC_WRITE_SINGLE_COIL:
            fixed(5);
            if (v.wellFormed && (u16(pdu + 3) == 0xFF00 || u16(pdu + 3) == 0)) write(true, u16(pdu + 1), 1);
            break;
        case MODBUS_FC_WRITE_SINGLE_REGISTER:
            fixed(5);
            write(false, u16(pdu + 1), 1);
            break;
        case MODBUS_FC_WRITE_MULTIPLE_COILS: {
            counted(6);
            const uint16_t count = v.wellFormed ? u16(pdu + 3) : 0;
            v.wellFormed = v.wellFormed && pdu[5] == (count + 7) / 8;
            if (count >= 1 && count <= MODBUS_MAX_WRITE_BITS) write(true, u16(pdu + 1), count);
            break;
        }
        case MODBUS_FC_WRITE_MULTIPLE_REGISTERS: {
            counted(6);
            const uint16_t count = v.wellFormed ? u16(pdu + 3) : 0;
            v.wellFormed = v.wellFormed && pdu[5] == 2 * count;
            if (count >= 1 && count <= MODBUS_MAX_WRITE_REGISTERS) write(false, u16(pdu + 1), count);
            break;
        }
        case MODBUS_FC_MASK_WRITE_REGISTER:
            fixed(7);
            write(false, u16(pdu + 1), 1);
            break;
        case MODBUS_FC_WRITE_AND_READ_REGISTERS: {
            counted(10);
            const uint16_t reads = v.wellFormed ? u16(pdu + 3) : 0;
            const uint16_t count = v.wellFormed ? u16(pdu + 7) : 0;
            v.wellFormed = v.wellFormed && pdu[9] == 2 * count;
            if (count >= 1 && count <= MODBUS_MAX_WR_WRITE_REGISTERS && reads >= 1 &&
                reads <= MODBUS_MAX_WR_READ_REGISTERS && inBlock(u16(pdu + 1), reads, l.firstRegister, l.registers))
                write(false, u16(pdu + 5), count);
            break;
        }
        case MODBUS_FC_REPORT_SLAVE_ID: fixed(1); break;
        // libmodbus answers nothing at all to this one.
        case MODBUS_FC_READ_EXCEPTION_STATUS: v.served = false; break;
        default: break;  // answered "illegal function" by libmodbus
    }
    return v;
}

}  // namespace

struct ModbusSlave::Impl {
    struct Master {
        EventLoop::WatchId watch = 0;
        std::vector<uint8_t> pending;
    };

    ModbusSlave& owner;
    Layout layout;
    modbus_t* ctx = nullptr;  // only answers; never connects
    modbus_mapping_t* mapping = nullptr;
    int listenFd = -1;
    EventLoop::WatchId listenWatch = 0;
    int32_t port = 0;
    std::map<int, Master> masters;

    Impl(ModbusSlave& o, Layout l) : owner(o), layout(l) {
        ctx = modbus_new_tcp("127.0.0.1", MODBUS_TCP_DEFAULT_PORT);
        mapping = modbus_mapping_new_start_address(l.firstCoil, l.coils, 0, 0, l.firstRegister, l.registers, 0, 0);
        if (!ctx || !mapping) {
            release();
            throw NumberedError(ErrorCodes::HMI_ERROR, "The Modbus data blocks could not be created.");
        }
    }
    ~Impl() { release(); }

    void release() {
        close();
        if (ctx) {
            modbus_set_socket(ctx, -1);
            modbus_free(ctx);
        }
        if (mapping) modbus_mapping_free(mapping);
        ctx = nullptr;
        mapping = nullptr;
    }

    void close() {
        while (!masters.empty()) hangUp(masters.begin()->first);
        if (listenFd >= 0) {
            eventLoop().unwatch(listenWatch);
            ::close(listenFd);
        }
        listenFd = -1;
        port = 0;
    }

    void hangUp(int fd) {
        const auto it = masters.find(fd);
        if (it == masters.end()) return;
        eventLoop().unwatch(it->second.watch);
        ::close(fd);
        masters.erase(it);
    }

    void listen(const std::string& address, int32_t wanted) {
        close();
        const auto fail = [&](const std::string& cause) {
            if (listenFd >= 0) ::close(listenFd);
            listenFd = -1;
            throw NumberedError(ErrorCodes::HMI_ERROR, "The Modbus TCP slave cannot listen on port " +
                                                           std::to_string(wanted) + ": " + cause + ".");
        };
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(static_cast<uint16_t>(wanted));
        sa.sin_addr.s_addr = htonl(INADDR_ANY);
        if (wanted < 0 || wanted > 65535) fail("no such port");
        if (!address.empty() && inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1)
            fail("\"" + address + "\" is not an IPv4 address");
        listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (listenFd < 0) fail(std::strerror(errno));
        const int yes = 1;
        setsockopt(listenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(listenFd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) fail(std::strerror(errno));
        if (::listen(listenFd, 16) != 0) fail(std::strerror(errno));
        socklen_t length = sizeof sa;
        getsockname(listenFd, reinterpret_cast<sockaddr*>(&sa), &length);
        port = ntohs(sa.sin_port);
        listenWatch = eventLoop().watchReadable(listenFd, [this] { accept(); });
    }

    void accept() {
        for (;;) {
            const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) return;
            if (masters.size() >= kMaxMasters) {
                logAt(LogLevel::WARNING, "Modbus TCP slave: more than " + std::to_string(kMaxMasters) +
                                             " masters at once; hung up on the newest.");
                ::close(fd);
                continue;
            }
            const int yes = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            // A panel switched off mid-connection sends no FIN: keep-alive
            // probes find it gone within a minute, so dead masters do not
            // fill the slots of the live ones.
            const int idle = 30, interval = 10, probes = 3;
            setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &yes, sizeof yes);
            setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
            setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
            setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
            masters[fd].watch = eventLoop().watchReadable(fd, [this, fd] { serve(fd); });
        }
    }

    // Reads what the master sent and answers every complete request.
    void serve(int fd) {
        std::array<uint8_t, 1024> chunk{};
        for (int reads = 0; reads < 16; ++reads) {
            const ssize_t n = ::recv(fd, chunk.data(), chunk.size(), 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) return hangUp(fd);
            if (n < 0) return;
            auto it = masters.find(fd);
            if (it == masters.end()) return;
            it->second.pending.insert(it->second.pending.end(), chunk.begin(), chunk.begin() + n);
            if (!answerPending(fd)) return;
        }
    }

    // Answers each complete frame of `fd`; false once the master is gone.
    bool answerPending(int fd) {
        for (;;) {
            auto it = masters.find(fd);
            if (it == masters.end()) return false;
            std::vector<uint8_t>& pending = it->second.pending;
            if (pending.size() < kHeader) return true;
            const std::size_t length = u16(&pending[4]);
            if (u16(&pending[2]) != 0 || length < 2 || 6 + length > kMaxFrame) {
                logAt(LogLevel::DEVELOPER, "Modbus TCP slave: a master sent a frame that is not Modbus TCP; hung up.");
                hangUp(fd);
                return false;
            }
            if (pending.size() < 6 + length) return true;
            std::array<uint8_t, kMaxFrame> frame{};
            std::copy(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(6 + length), frame.begin());
            pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(6 + length));
            if (!answer(fd, frame.data(), 6 + length)) {
                hangUp(fd);
                return false;
            }
        }
    }

    bool answer(int fd, const uint8_t* frame, std::size_t size) {
        const Verdict v = judge(frame + kHeader, size - kHeader, layout);
        modbus_set_socket(ctx, fd);
        const int sent = !v.served      ? modbus_reply_exception(ctx, frame, MODBUS_EXCEPTION_ILLEGAL_FUNCTION)
                         : v.wellFormed ? modbus_reply(ctx, frame, static_cast<int>(size), mapping)
                                        : modbus_reply_exception(ctx, frame, MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE);
        modbus_set_socket(ctx, -1);
        if (sent < 0) return false;
        if (v.written && owner.onWritten_) owner.onWritten_(*v.written);
        return true;
    }
};

ModbusSlave::ModbusSlave(Layout layout) : impl_(std::make_unique<Impl>(*this, layout)) {}

ModbusSlave::~ModbusSlave() = default;

void ModbusSlave::listen(const std::string& address, int32_t port) {
    impl_->listen(address, port);
}

void ModbusSlave::close() {
    impl_->close();
}

bool ModbusSlave::isListening() const {
    return impl_->listenFd >= 0;
}

int32_t ModbusSlave::port() const {
    return impl_->port;
}

std::size_t ModbusSlave::masterCount() const {
    return impl_->masters.size();
}

std::optional<bool> ModbusSlave::coil(uint16_t address) const {
    const Layout& l = impl_->layout;
    if (!inBlock(address, 1, l.firstCoil, l.coils)) return std::nullopt;
    return impl_->mapping->tab_bits[address - l.firstCoil] != 0;
}

bool ModbusSlave::setCoil(uint16_t address, bool value) {
    const Layout& l = impl_->layout;
    if (!inBlock(address, 1, l.firstCoil, l.coils)) return false;
    impl_->mapping->tab_bits[address - l.firstCoil] = value ? 1 : 0;
    return true;
}

std::optional<uint16_t> ModbusSlave::holdingRegister(uint16_t address) const {
    const Layout& l = impl_->layout;
    if (!inBlock(address, 1, l.firstRegister, l.registers)) return std::nullopt;
    return impl_->mapping->tab_registers[address - l.firstRegister];
}

bool ModbusSlave::setHoldingRegister(uint16_t address, uint16_t value) {
    const Layout& l = impl_->layout;
    if (!inBlock(address, 1, l.firstRegister, l.registers)) return false;
    impl_->mapping->tab_registers[address - l.firstRegister] = value;
    return true;
}

}  // namespace vek
