#pragma once
// The records that carry one GET_INFO answer and one PROD_SET_DATA request between the
// main window and the device link.

#include <QByteArray>
#include <QtGlobal>

// One GET_INFO answer. Packed because its byte layout mirrors the switch's information data;
// read the multi-byte fields by value (never take their address).
#pragma pack(push, 1)
struct InfoRecord
{
    quint8 index = 0;        // the index asked for (0..31)
    quint8 infoA = 0;        // long reply byte 8
    quint8 infoB = 0;        // long reply byte 9
    quint32 infoWord = 0;    // long reply bytes 10..13, little-endian
    quint8 infoBlock[8] = {}; // long reply bytes 14..21
    quint32 infoTail = 0;    // long reply bytes 22..25, little-endian
    quint8 status = 0;       // 0 after a long reply, else the short reply's status byte
};
#pragma pack(pop)
static_assert(sizeof(InfoRecord) == 20, "InfoRecord must stay packed");

// The number of ports of the switch, read from the record with index 0: the high nibble of
// the first byte of its infoBlock (0..15).
inline int switchPortCount(const InfoRecord& record0)
{
    return record0.infoBlock[0] >> 4;
}

// The values the load flow puts into a PROD_SET_DATA request for the configuration image.
constexpr quint8 kProdDataConfigIndex = 0;
constexpr quint32 kProdDataConfigParam = 0x08008000u;
constexpr quint8 kProdDataConfigKind = 2;

// One PROD_SET_DATA write. The fields keep the order of the switch's request record, but the
// struct is not packed: it owns a QByteArray and never goes onto the wire as it is; the frame
// is built from the fields.
struct ProdDataRequest
{
    quint8 index = 0;    // frame byte 8
    quint32 param = 0;   // frame bytes 12..15
    quint32 size = 0;    // the size the caller states; the frame uses payload.size() instead
    QByteArray payload;  // the bytes to send, at most 4088
    quint8 kind = 0;     // frame byte 9
    quint32 status = 0;  // out: the reply's status byte, stored unless that byte is 2
};
