#include "crc8.h"

uint8_t crc8Itu(const uint8_t *pData, size_t iSize)
{
    uint8_t crc = 0x00;
    for (size_t i = 0; i < iSize; ++i) {
        crc ^= pData[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80) ? static_cast<uint8_t>((crc << 1) ^ 0x07) : static_cast<uint8_t>(crc << 1);
    }
    // I.432.1 adds the coset 01010101 so that an all-zero header does not give a zero check.
    return static_cast<uint8_t>(crc ^ 0x55);
}
