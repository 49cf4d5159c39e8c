#pragma once
// CRC-8 of ITU-T I.432.1 (the ATM header check): polynomial x^8 + x^2 + x + 1, initial value 0,
// no reflection, result XORed with 0x55. Check value for "123456789" is 0xA1.

#include <cstddef>
#include <cstdint>

uint8_t crc8Itu(const uint8_t *pData, size_t iSize);
