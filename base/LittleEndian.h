#pragma once

#include <bit>
#include <cstdint>
#include <span>

// Every multi-byte number in a Jet or ACE file is little-endian, whatever the machine's order.
namespace base {

inline void putU16(std::span<std::uint8_t> to, std::size_t at, std::uint16_t value) {
    to[at] = static_cast<std::uint8_t>(value);
    to[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void putU32(std::span<std::uint8_t> to, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) to[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void putDouble(std::span<std::uint8_t> to, std::size_t at, double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i) to[at + i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

inline std::uint16_t getU16(std::span<const std::uint8_t> from, std::size_t at) {
    return static_cast<std::uint16_t>(from[at] | (from[at + 1] << 8));
}

inline std::uint32_t getU32(std::span<const std::uint8_t> from, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | from[at + i];
    return value;
}

inline double getDouble(std::span<const std::uint8_t> from, std::size_t at) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | from[at + i];
    return std::bit_cast<double>(bits);
}

}  // namespace base
