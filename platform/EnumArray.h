#pragma once
// A fixed table with one entry per value of a 0-based enum class, indexed by the enum
// only: a cache table cannot be read with a codec family, nor with a bare number.
#include <array>
#include <cstddef>

template <class Enum, class T, size_t Count> struct EnumArray {
    std::array<T, Count> items{};

    constexpr T& operator[](Enum key) { return items[static_cast<size_t>(key)]; }
    constexpr const T& operator[](Enum key) const { return items[static_cast<size_t>(key)]; }
    auto begin() { return items.begin(); }
    auto end() { return items.end(); }
    auto begin() const { return items.begin(); }
    auto end() const { return items.end(); }
    bool operator==(const EnumArray&) const = default;
};
