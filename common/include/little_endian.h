// Little-endian reads and writes of 16- and 32-bit fields in byte buffers. The configuration
// image and the switch's frames are little-endian whatever the host's byte order is.
#ifndef TREVIK_LITTLE_ENDIAN_H
#define TREVIK_LITTLE_ENDIAN_H

#include <cstdint>

namespace le {

inline void put16(uint8_t *at, uint32_t value)
{
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}

inline void put32(uint8_t *at, uint32_t value)
{
    put16(at, value);
    put16(at + 2, value >> 16);
}

inline uint16_t get16(const uint8_t *at)
{
    return uint16_t(at[0] | (at[1] << 8));
}

inline uint32_t get32(const uint8_t *at)
{
    return uint32_t(get16(at)) | (uint32_t(get16(at + 2)) << 16);
}

}  // namespace le

#endif
