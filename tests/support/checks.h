// Small helpers shared by the test suites.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>

namespace ktest {

// The standard CRC-32 (IEEE 802.3) of a byte range, as zlib computes it.
inline std::uint32_t Crc32(const void* data, std::size_t size)
{
    return static_cast<std::uint32_t>(
        crc32(0L, static_cast<const Bytef*>(data), static_cast<uInt>(size)));
}

}  // namespace ktest
