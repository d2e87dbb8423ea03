#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

// An ordered collection with 1-based positions and optional text keys that
// compare without regard to ASCII case. A missing key raises 5, a position
// out of range 9, a duplicate key 457.
//
// Appending keeps the key index current; inserting in front or removing marks
// it stale and the next keyed lookup rebuilds it, so bulk loads stay linear.
template <typename T>
class Collection {
public:
    using value_type = T;

    std::size_t count() const { return items_.size(); }
    bool empty() const { return items_.empty(); }

    // Adds `item` with an optional key. `before` (1-based) inserts in front of
    // that position; 0 appends.
    void add(T item, const std::string& key = {}, std::size_t before = 0) {
        std::string folded = fold(key);
        if (!key.empty() && findIndex(folded)) throw NumberedError::platform(PlatformErrors::DUPLICATE_KEY);
        if (before != 0 && (before < 1 || before > items_.size()))
            throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
        if (before == 0) {
            if (!key.empty() && !stale_) index_.emplace(folded, items_.size());
            items_.push_back(std::move(item));
            keys_.push_back(key);
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
        auto i = findIndex(fold(key));
        return i ? *i + 1 : 0;
    }

    bool contains(const std::string& key) const { return !key.empty() && findIndex(fold(key)).has_value(); }

    void remove(std::size_t position) {
        const std::size_t i = checkPosition(position);
        // Removing the last item leaves every other position valid.
        if (i + 1 == items_.size()) {
            if (!stale_ && !keys_[i].empty()) index_.erase(fold(keys_[i]));
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
        index_.clear();
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
    static std::string fold(std::string_view key) {
        std::string s(key);
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return s;
    }

    std::size_t checkPosition(std::size_t position) const {
        if (position < 1 || position > items_.size())
            throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
        return position - 1;
    }

    std::size_t requireKey(const std::string& key) const {
        auto i = findIndex(fold(key));
        if (!i) throw NumberedError::platform(PlatformErrors::INVALID_PROCEDURE_CALL);
        return *i;
    }

    std::optional<std::size_t> findIndex(const std::string& folded) const {
        if (folded.empty()) return std::nullopt;
        if (stale_) rebuild();
        auto it = index_.find(folded);
        if (it == index_.end()) return std::nullopt;
        return it->second;
    }

    void rebuild() const {
        index_.clear();
        for (std::size_t i = 0; i < keys_.size(); ++i)
            if (!keys_[i].empty()) index_.emplace(fold(keys_[i]), i);
        stale_ = false;
    }

    std::vector<T> items_;
    std::vector<std::string> keys_;
    mutable std::unordered_map<std::string, std::size_t> index_;
    mutable bool stale_ = false;
};

}  // namespace vek
