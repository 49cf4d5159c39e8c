#include "termios2_linux.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

// <sys/ioctl.h> drags in the libc termios types that clash with the kernel's; the one
// declaration needed is this.
extern "C" int ioctl(int fd, unsigned long request, ...);

bool setArbitraryBaudRate(int fd, quint32 rate)
{
    struct termios2 tio;
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    tio.c_cflag &= ~CBAUD;
    tio.c_cflag |= BOTHER;
    tio.c_cflag &= ~(CBAUD << IBSHIFT);
    tio.c_cflag |= BOTHER << IBSHIFT;
    tio.c_ospeed = rate;
    tio.c_ispeed = rate;
    return ioctl(fd, TCSETS2, &tio) == 0;
}

bool readBaudRate(int fd, quint32& rate)
{
    struct termios2 tio;
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    rate = tio.c_ospeed;
    return true;
}
