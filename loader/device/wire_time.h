#pragma once
// How long bytes take on a serial line: the arithmetic behind the reply budgets and the
// write bounds of the device link. Pure functions, no system calls.

#include "serial_port_api.h"

// Half-bits one byte occupies on the line: a start bit, the data bits, a parity bit when
// parity is on, and the stop bits (1.5 stop bits are 3 half-bits).
unsigned lineHalfBitsPerByte(const SerialLineState& state);

// Microseconds `bytes` take on the line at state.baudRate, rounded up; 0 when the rate is 0.
quint64 wireTimeUs(const SerialLineState& state, quint64 bytes);

// Whole milliseconds one byte takes, rounded up and at least 1: the per-byte multiplier of a
// write time-out.
quint32 wireMsPerByte(const SerialLineState& state);
