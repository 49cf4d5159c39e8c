#include "link_settings.h"

#include "cqt_config_mgr.h"

LinkSettings linkSettingsFromPreferences()
{
    LinkSettings s;
    s.portNumber = g_configMgr.deviceCom();
    s.emulate = g_configMgr.emulateDevice();
    s.line.baudRate = quint32(g_configMgr.comBaudrate());
    s.line.byteSize = quint8(g_configMgr.comByteSize());
    s.line.parity = quint8(g_configMgr.comParity());
    s.line.stopBits = quint8(g_configMgr.comStopBits());
    s.line.dtrControl = quint8(g_configMgr.comDtrControl() & 0x3);
    s.line.rtsControl = quint8(g_configMgr.comRtsControl() & 0x3);
    s.line.outxDsrFlow = quint8(g_configMgr.comDsrFlow() & 0x1);
    s.line.outxCtsFlow = quint8(g_configMgr.comCtsFlow() & 0x1);
    return s;
}
