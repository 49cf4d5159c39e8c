#include "port_info.h"

namespace {

bool sameRecord(const PortInfo& a, const PortInfo& b)
{
    return a.portName == b.portName && a.systemPath == b.systemPath
        && a.className == b.className && a.location == b.location
        && a.driverPath == b.driverPath && a.friendlyName == b.friendlyName
        && a.description == b.description && a.hardwareIds == b.hardwareIds
        && a.vendorId == b.vendorId && a.productId == b.productId
        && a.manufacturer == b.manufacturer && a.service == b.service && a.bus == b.bus;
}

} // namespace

bool portMapsDiffer(const PortMap& newMap, const PortMap& oldMap)
{
    if (newMap.size() != oldMap.size())
        return true;
    if (newMap.keys() != oldMap.keys())
        return true;
    for (auto n = newMap.cbegin(), o = oldMap.cbegin(); n != newMap.cend(); ++n, ++o) {
        if (!sameRecord(n.value(), o.value()))
            return true;
    }
    return false;
}
