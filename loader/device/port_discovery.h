#pragma once
// The platform's view of the serial ports: what is there.

#include <QList>

#include "port_info.h"

// Every serial port the system reports, in the system's own order. portName is what the
// system calls the port (it may be empty or not a COM name at all: the callers apply their
// own rules). Returns false when the system cannot be asked at all (on Linux with errno set),
// keeping what it had found before.
bool systemSerialPorts(QList<PortInfo>& ports);
