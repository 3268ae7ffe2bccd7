#include "base/crc32.h"

#include <zlib.h>

namespace vesk {

uint32_t Crc32(uint32_t crc, const void* data, size_t size) {
    auto p = static_cast<const Bytef*>(data);
    while (size > 0) {
        uInt chunk = size > 0x40000000u ? 0x40000000u : uInt(size);
        crc = uint32_t(crc32(crc, p, chunk));
        p += chunk;
        size -= chunk;
    }
    return crc;
}

}  // namespace vesk
