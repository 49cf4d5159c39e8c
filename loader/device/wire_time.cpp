#include "wire_time.h"

unsigned lineHalfBitsPerByte(const SerialLineState& state)
{
    const unsigned stopHalfBits = state.stopBits == 2 ? 4 : state.stopBits == 1 ? 3 : 2;
    const unsigned parityBits = state.parity != 0 ? 1 : 0;
    return 2 * (1 + state.byteSize + parityBits) + stopHalfBits;
}

quint64 wireTimeUs(const SerialLineState& state, quint64 bytes)
{
    if (state.baudRate == 0)
        return 0;
    const quint64 halfBits = bytes * lineHalfBitsPerByte(state);
    const quint64 divisor = 2ull * state.baudRate;
    return (halfBits * 1000000ull + divisor - 1) / divisor;
}

quint32 wireMsPerByte(const SerialLineState& state)
{
    const quint64 ms = (wireTimeUs(state, 1) + 999) / 1000;
    return ms == 0 ? 1 : quint32(ms);
}
