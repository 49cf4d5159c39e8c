#pragma once
// Rates beyond the termios constants, through the kernel's termios2. Kept in a file of its own
// because <asm/termbits.h> cannot live beside <termios.h>.

#include <QtGlobal>

// Sets both directions of `fd` to `rate` (BOTHER). False with errno set on failure.
bool setArbitraryBaudRate(int fd, quint32 rate);
// The output rate of `fd` as the kernel holds it, for standard and other rates alike.
bool readBaudRate(int fd, quint32& rate);
