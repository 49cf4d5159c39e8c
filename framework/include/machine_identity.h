#pragma once
// Platform service: the stable properties of this machine that the machine code is made of.
// Each call reads afresh; the caller keeps the result. Nothing here fails: an unreadable
// property answers an empty text or 0.

#include <QByteArray>
#include <QString>

#include <cstdint>

struct MachineIdentitySource
{
    QString (*computerName)();
    // The machine's own identifier text for the given computer name; empty when unknown.
    QString (*machineIdentifier)(const QString &strComputerName);
    // Serial of the volume that holds the operating system, 32 bits; 0 when unknown.
    uint32_t (*systemVolumeSerial)();
};

// The platform's readers.
MachineIdentitySource platformMachineIdentity();

// Test seam: replaces the readers for the next computation of the machine code and drops the
// cached code. Passing null restores the platform's readers.
void setMachineIdentitySourceForTesting(const MachineIdentitySource *pSource);

// The 25-byte code: SHA-1 of the identifier's UTF-16LE bytes (20 zero bytes when empty), the
// serial most significant byte first, and the CRC-8 check byte over the first 24 bytes (0 when
// both inputs are empty).
QByteArray buildMachineCodeBytes(const QString &strIdentifier, uint32_t uSerial);

// Upper-case hexadecimal text of the code, two digits per byte: 50 characters.
QString machineCodeText(const QByteArray &code);
