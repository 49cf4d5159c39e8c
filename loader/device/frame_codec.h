#pragma once
// The switch's frames as bytes: building the two requests and reading the replies. Pure byte
// work without Qt or a port, so the device link sequences it and tests check it directly.
//
// Every multi-byte field on the wire is little-endian. A request starts with the magic 0xAA,
// its command, four zero bytes and a 16-bit length; a reply starts with 0x55 and a status byte
// (short reply) or with 0xAA (long GET_INFO reply, 60 bytes).

#include <cstddef>
#include <cstdint>

namespace frames {

constexpr uint8_t kMagicFrame = 0xAA;
constexpr uint8_t kMagicShortReply = 0x55;
constexpr uint8_t kCommandGetInfo = 0x05;
constexpr uint8_t kCommandProdSetData = 0x0E;

constexpr int kInfoRecordCount = 32;       // a GET_INFO run asks for records 0..31
constexpr size_t kInfoFrameSize = 60;      // GET_INFO request and long reply alike
constexpr size_t kReplyHeadSize = 2;       // read first, on its own: it tells the reply's kind
constexpr uint16_t kInfoDataLength = 18;   // the length field of a sound long reply
constexpr size_t kProdHeadSize = 16;
constexpr size_t kProdFrameCapacity = 4104;
constexpr size_t kProdMaxPayload = kProdFrameCapacity - kProdHeadSize; // 4088
// A PROD_SET_DATA status byte of 2 is not stored into the request.
constexpr uint8_t kStatusNotStored = 2;

// The information data of one long GET_INFO reply (reply bytes 8..25).
struct InfoData
{
    uint8_t infoA = 0;
    uint8_t infoB = 0;
    uint32_t infoWord = 0;
    uint8_t infoBlock[8] = {};
    uint32_t infoTail = 0;
};

// What the first two bytes of a GET_INFO reply say.
enum class ReplyKind {
    Short,    // 0x55 and a status byte: complete
    Long,     // 0xAA: 58 more bytes follow
    BadMagic, // anything else
};

enum class DecodeStatus {
    Ok,
    InfoBadMagic,  // a GET_INFO reply starting with neither 0x55 nor 0xAA
    InfoBadLength, // a long GET_INFO reply whose length field is not 18
    ProdBadMagic,  // a PROD_SET_DATA reply not starting with 0x55
};

// The 60-byte GET_INFO request for record `index`.
void encodeInfoRequest(uint8_t index, uint8_t (&frame)[kInfoFrameSize]);

// `head` is a reply's first kReplyHeadSize bytes.
ReplyKind replyKind(const uint8_t* head);

// Reads the information data of a whole long reply (buffer offsets equal reply offsets).
// InfoBadLength leaves `data` alone; `length` gets the length field either way.
DecodeStatus decodeInfoReply(const uint8_t (&reply)[kInfoFrameSize], InfoData& data,
                             uint16_t& length);

// The PROD_SET_DATA frame for a payload of `size` bytes into `frame`, which must hold
// kProdHeadSize + size bytes; gives the frame's size (length field + 8), or 0 without
// touching `frame` when the payload is larger than kProdMaxPayload.
size_t encodeProdSetData(uint8_t index, uint8_t kind, uint32_t param, const uint8_t* payload,
                         size_t size, uint8_t* frame);

// The short reply to PROD_SET_DATA: Ok with its status byte, or ProdBadMagic.
DecodeStatus decodeProdReply(const uint8_t* head, uint8_t& status);

// The operator's text for a failed decode; InfoBadLength's has "%1" for the expected and
// "%2" for the received length. Empty for Ok.
const char* decodeFailureText(DecodeStatus status);

constexpr const char* kPayloadTooLargeText =
    "Payload of PROD_SET_DATA is too large. Maximum : %1 bytes, got %2 bytes";

} // namespace frames
