#pragma once
// The machine code: 50 hexadecimal characters that name this machine, made of its identity
// (see machine_identity.h) and computed once per process.

#include <QString>

// Puts the machine code into *pOut. Answers false only for a null pOut. Computed on the first
// call and served from a cache afterwards (no lock: the first call happens during start-up,
// before any other thread exists).
bool machineCode(QString *pOut);
