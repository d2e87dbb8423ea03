#pragma once
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace vek {

// Handle returned by Event::connect; disconnect() removes the handler. The
// handle does not disconnect on destruction, so a handler lives as long as its
// event unless told otherwise.
class Connection {
public:
    Connection() = default;
    explicit Connection(std::function<void()> disconnector) : disconnector_(std::move(disconnector)) {}
    void disconnect() {
        if (disconnector_) {
            auto d = std::move(disconnector_);
            disconnector_ = nullptr;
            d();
        }
    }
    bool connected() const { return static_cast<bool>(disconnector_); }

private:
    std::function<void()> disconnector_;
};

// An event raised to the host. Handlers receive the arguments by reference,
// in connection order. A handler may connect or disconnect handlers while
// the event is being raised; changes take effect from the next raise.
template <typename... Args>
class Event {
public:
    using Handler = std::function<void(Args&...)>;

    Event() : slots_(std::make_shared<Slots>()) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    Connection connect(Handler handler) {
        const uint64_t id = ++slots_->nextId;
        slots_->list.push_back({id, std::make_shared<Handler>(std::move(handler))});
        std::weak_ptr<Slots> weak = slots_;
        return Connection([weak, id] {
            if (auto s = weak.lock()) {
                auto& l = s->list;
                l.erase(std::remove_if(l.begin(), l.end(), [id](const Slot& x) { return x.id == id; }), l.end());
            }
        });
    }

    void raise(Args&... args) {
        if (slots_->list.empty()) return;
        const auto snapshot = slots_->list;
        for (const auto& slot : snapshot) (*slot.handler)(args...);
    }

    std::size_t handlerCount() const { return slots_->list.size(); }

private:
    struct Slot {
        uint64_t id;
        std::shared_ptr<Handler> handler;
    };
    struct Slots {
        uint64_t nextId = 0;
        std::vector<Slot> list;
    };
    std::shared_ptr<Slots> slots_;
};

}  // namespace vek
