#include "dcb_mapping_win.h"

SerialLineState lineStateOfDcb(const DCB& dcb)
{
    SerialLineState s;
    s.baudRate = dcb.BaudRate;
    s.byteSize = dcb.ByteSize;
    s.parity = dcb.Parity;
    s.stopBits = dcb.StopBits;
    s.dtrControl = quint8(dcb.fDtrControl);
    s.rtsControl = quint8(dcb.fRtsControl);
    s.outxDsrFlow = quint8(dcb.fOutxDsrFlow);
    s.outxCtsFlow = quint8(dcb.fOutxCtsFlow);
    return s;
}

DCB dcbWithLineState(const DCB& current, const SerialLineState& state)
{
    DCB dcb = current;
    dcb.BaudRate = state.baudRate;
    dcb.ByteSize = state.byteSize;
    dcb.Parity = state.parity;
    dcb.StopBits = state.stopBits;
    dcb.fDtrControl = state.dtrControl & 0x3u;
    dcb.fRtsControl = state.rtsControl & 0x3u;
    dcb.fOutxDsrFlow = state.outxDsrFlow & 0x1u;
    dcb.fOutxCtsFlow = state.outxCtsFlow & 0x1u;
    return dcb;
}
