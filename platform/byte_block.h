#pragma once
// Embedded byte constants are laid out as a 32-bit little-endian 1, a 32-bit
// little-endian length, then the bytes. Only the bytes are ever written or shown.
#include <cstddef>
#include <cstdint>
#include <span>

struct ByteBlock {
    uint32_t tag;
    uint32_t length;
    uint8_t bytes[1]; // really `length` bytes
};

using ByteView = std::span<const uint8_t>;

inline ByteView BlockBytes(const ByteBlock& block) {
    return {block.bytes, block.length};
}
