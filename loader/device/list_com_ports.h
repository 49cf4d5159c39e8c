#pragma once
// The serial ports present in the system, numbered, with a description each.

#include <QList>
#include <QStringList>

// Clears both lists, then fills them in step: entry i of `ports` is the number n of the port
// COMn, entry i of `descriptions` its device description (possibly empty). The order is the
// order in which the system lists its devices. Returns false when the system cannot be asked;
// the thread's last error (errno; GetLastError on Windows) then says why and both lists are
// empty. Success leaves that last error as the caller had it.
bool listComPorts(QList<unsigned int>& ports, QStringList& descriptions);
