#pragma once
// Name and path rules for serial ports named by number (the port COMn).

#include <QString>

// "COM<n>", n in decimal: the name the enumerator lists for the port.
QString comPortName(int number);

// The device path of the port: "COM<n>" for n from 1 to 9, "\\.\COM<n>" from 10 on (the
// Windows form a program must use for two-digit ports; the platform layer maps either).
QString comDevicePath(int number);

// The rule for a port name reported by the system: longer than three characters, "COM" in any
// letter case, then nothing but decimal digits. On success `number` gets their value.
// Rejects "COM", "COM3A", "COM 3", "COM+3" and values beyond 32 bits.
bool parseComPortName(const QString& name, unsigned int& number);

// The port number a device path of comDevicePath() names ("COM9", "\\.\COM10", any letter
// case); 0 when the path has neither form.
unsigned int comNumberFromDevicePath(const QString& devicePath);
