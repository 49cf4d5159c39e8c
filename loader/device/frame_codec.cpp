#include "frame_codec.h"

#include <cstring>

#include "little_endian.h"

namespace frames {

namespace {

void putHeader(uint8_t* frame, uint8_t command, uint16_t length)
{
    frame[0] = kMagicFrame;
    frame[1] = command;
    std::memset(frame + 2, 0, 4);
    le::put16(frame + 6, length);
}

} // namespace

void encodeInfoRequest(uint8_t index, uint8_t (&frame)[kInfoFrameSize])
{
    std::memset(frame, 0, kInfoFrameSize);
    // Unlike PROD_SET_DATA, GET_INFO's length counts the whole frame.
    putHeader(frame, kCommandGetInfo, uint16_t(kInfoFrameSize));
    frame[8] = index;
}

ReplyKind replyKind(const uint8_t* head)
{
    if (head[0] == kMagicShortReply)
        return ReplyKind::Short;
    return head[0] == kMagicFrame ? ReplyKind::Long : ReplyKind::BadMagic;
}

DecodeStatus decodeInfoReply(const uint8_t (&reply)[kInfoFrameSize], InfoData& data,
                             uint16_t& length)
{
    length = le::get16(reply + 6);
    if (length != kInfoDataLength)
        return DecodeStatus::InfoBadLength;
    data.infoA = reply[8];
    data.infoB = reply[9];
    data.infoWord = le::get32(reply + 10);
    std::memcpy(data.infoBlock, reply + 14, sizeof data.infoBlock);
    data.infoTail = le::get32(reply + 22);
    return DecodeStatus::Ok;
}

size_t encodeProdSetData(uint8_t index, uint8_t kind, uint32_t param, const uint8_t* payload,
                         size_t size, uint8_t* frame)
{
    // The switch's frame buffer holds 4088 payload bytes; anything longer is refused, not cut.
    if (size > kProdMaxPayload)
        return 0;
    putHeader(frame, kCommandProdSetData, uint16_t(size + 8));
    frame[8] = index;
    frame[9] = kind;
    frame[10] = frame[11] = 0;
    le::put32(frame + 12, param);
    if (size)
        std::memcpy(frame + kProdHeadSize, payload, size);
    return kProdHeadSize + size;
}

DecodeStatus decodeProdReply(const uint8_t* head, uint8_t& status)
{
    if (head[0] != kMagicShortReply)
        return DecodeStatus::ProdBadMagic;
    status = head[1];
    return DecodeStatus::Ok;
}

const char* decodeFailureText(DecodeStatus status)
{
    switch (status) {
    case DecodeStatus::InfoBadMagic: return "Invalid magic number detected in read stream value";
    case DecodeStatus::InfoBadLength:
        return "Invalid data length of GET_INFO structure. Expected : %1 bytes, got %2 bytes";
    case DecodeStatus::ProdBadMagic:
        return "Invalid magic number detected in COM response on PROD_SET_DATA";
    case DecodeStatus::Ok: break;
    }
    return "";
}

} // namespace frames
