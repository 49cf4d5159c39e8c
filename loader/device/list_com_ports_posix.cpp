#include "list_com_ports.h"

#include <cerrno>

#include "com_port_names.h"
#include "port_discovery.h"

bool listComPorts(QList<unsigned int>& ports, QStringList& descriptions)
{
    ports.clear();
    descriptions.clear();
    const int savedErrno = errno;
    QList<PortInfo> found;
    if (!systemSerialPorts(found))
        return false;
    for (const PortInfo& info : found) {
        unsigned int number = 0;
        if (!parseComPortName(info.portName, number))
            continue;
        ports.append(number);
        descriptions.append(info.description);
    }
    // Success leaves errno as the caller had it, whatever the scan touched on the way.
    errno = savedErrno;
    return true;
}
