#pragma once
// CRC-32 (IEEE 802.3, reflected 0xEDB88320, initial 0xFFFFFFFF, final complement).
#include <cstddef>
#include <cstdint>

namespace vesk {

// Continues a CRC: start with crc = 0 for a fresh sum.
uint32_t Crc32(uint32_t crc, const void* data, size_t size);

}  // namespace vesk
