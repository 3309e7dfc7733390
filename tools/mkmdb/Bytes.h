#pragma once

#include <cstdint>
#include <vector>

#include "base/LittleEndian.h"

// Page buffers and the little-endian numbers in them.
namespace mkmdb {

using Bytes = std::vector<std::uint8_t>;

using base::getDouble;
using base::getU16;
using base::getU32;
using base::putDouble;
using base::putU16;
using base::putU32;

inline void appendU16(Bytes& to, std::uint16_t value) {
    to.push_back(static_cast<std::uint8_t>(value));
    to.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void appendU32(Bytes& to, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) to.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace mkmdb
