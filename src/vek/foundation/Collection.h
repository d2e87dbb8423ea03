#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

// An ordered collection with 1-based positions and optional text keys that
// compare without regard to ASCII case. A missing key raises 5, a position
// out of range 9, a duplicate key 457.
//
// The key index is an open-addressing table of positions that compares keys
// in place against the stored ones, so a keyed item costs no allocation of
// its own (collections of a million points are common). Appending keeps the
// index current; inserting in front or removing from the middle marks it
// stale and the next keyed lookup rebuilds it, so bulk loads stay linear.
template <typename T>
class Collection {
public:
    using value_type = T;

    std::size_t count() const { return items_.size(); }
    bool empty() const { return items_.empty(); }

    // Adds `item` with an optional key. `before` (1-based) inserts in front of
    // that position; 0 appends.
    void add(T item, const std::string& key = {}, std::size_t before = 0) {
        if (!key.empty() && findIndex(key)) throw NumberedError::platform(PlatformErrors::DUPLICATE_KEY);
        if (before != 0 && (before < 1 || before > items_.size()))
            throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
        if (before == 0) {
            items_.push_back(std::move(item));
            keys_.push_back(key);
            if (!key.empty() && !stale_) indexLast();
        } else {
            items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(before - 1), std::move(item));
            keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(before - 1), key);
            stale_ = true;
        }
    }

    T& item(std::size_t position) { return items_[checkPosition(position)]; }
    const T& item(std::size_t position) const { return items_[checkPosition(position)]; }
    T& item(const std::string& key) { return items_[requireKey(key)]; }
    const T& item(const std::string& key) const { return items_[requireKey(key)]; }

    // The key stored with the item at `position` (empty when it has none).
    const std::string& keyAt(std::size_t position) const { return keys_[checkPosition(position)]; }

    // 1-based position of `key`, or 0 when absent.
    std::size_t positionOf(const std::string& key) const {
        auto i = findIndex(key);
        return i ? *i + 1 : 0;
    }

    bool contains(const std::string& key) const { return !key.empty() && findIndex(key).has_value(); }

    void remove(std::size_t position) {
        const std::size_t i = checkPosition(position);
        // Removing the last item leaves every other position valid.
        if (i + 1 == items_.size()) {
            if (!stale_ && !keys_[i].empty()) unindex(i);
        } else {
            stale_ = true;
        }
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
        keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(i));
    }
    void remove(const std::string& key) { remove(requireKey(key) + 1); }

    void clear() {
        items_.clear();
        keys_.clear();
        slots_.clear();
        indexed_ = 0;
        stale_ = false;
    }

    void reserve(std::size_t n) {
        items_.reserve(n);
        keys_.reserve(n);
    }

    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    static char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

    static std::size_t hashOf(std::string_view key) {
        std::size_t h = 1469598103934665603ull;  // FNV-1a over the folded key
        for (char c : key) h = (h ^ static_cast<unsigned char>(lower(c))) * 1099511628211ull;
        return h;
    }

    static bool sameKey(std::string_view a, std::string_view b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (lower(a[i]) != lower(b[i])) return false;
        return true;
    }

    std::size_t checkPosition(std::size_t position) const {
        if (position < 1 || position > items_.size())
            throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
        return position - 1;
    }

    std::size_t requireKey(const std::string& key) const {
        auto i = findIndex(key);
        if (!i) throw NumberedError::platform(PlatformErrors::INVALID_PROCEDURE_CALL);
        return *i;
    }

    // Index of `key` in items_, if stored.
    std::optional<std::size_t> findIndex(std::string_view key) const {
        if (key.empty()) return std::nullopt;
        if (stale_) rebuild();
        if (slots_.empty()) return std::nullopt;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t s = hashOf(key) & mask; slots_[s] != 0; s = (s + 1) & mask)
            if (sameKey(keys_[slots_[s] - 1], key)) return slots_[s] - 1;
        return std::nullopt;
    }

    // Slots hold position + 1 (0 is free); at most three quarters are used.
    void place(std::size_t index) const {
        const std::size_t mask = slots_.size() - 1;
        std::size_t s = hashOf(keys_[index]) & mask;
        while (slots_[s] != 0) s = (s + 1) & mask;
        slots_[s] = static_cast<uint32_t>(index + 1);
    }

    void indexLast() {
        if ((indexed_ + 1) * 4 > slots_.size() * 3) {
            rebuild();  // grows the table and takes the new last item along
            return;
        }
        place(keys_.size() - 1);
        ++indexed_;
    }

    // Takes item `index` out of the table, moving later entries of its probe
    // run back so that every entry stays reachable from its home slot.
    void unindex(std::size_t index) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t hole = hashOf(keys_[index]) & mask;
        while (slots_[hole] != index + 1) hole = (hole + 1) & mask;
        for (std::size_t s = (hole + 1) & mask; slots_[s] != 0; s = (s + 1) & mask) {
            const std::size_t home = hashOf(keys_[slots_[s] - 1]) & mask;
            // An entry may fill the hole unless its home lies after the hole
            // (cyclically) up to its own slot.
            const bool staysPut = hole <= s ? (hole < home && home <= s) : (hole < home || home <= s);
            if (staysPut) continue;
            slots_[hole] = slots_[s];
            hole = s;
        }
        slots_[hole] = 0;
        --indexed_;
    }

    void rebuild() const {
        std::size_t keyed = 0;
        for (const auto& k : keys_) keyed += k.empty() ? 0 : 1;
        std::size_t size = 8;
        while (keyed * 4 > size * 3) size *= 2;
        slots_.assign(size, 0);
        for (std::size_t i = 0; i < keys_.size(); ++i)
            if (!keys_[i].empty()) place(i);
        indexed_ = keyed;
        stale_ = false;
    }

    std::vector<T> items_;
    std::vector<std::string> keys_;
    mutable std::vector<uint32_t> slots_;
    mutable std::size_t indexed_ = 0;
    mutable bool stale_ = false;
};

}  // namespace vek
