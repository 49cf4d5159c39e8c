#include "expected_image.h"

namespace kmctest {

namespace {

void put8(std::vector<unsigned char> &out, unsigned value) { out.push_back(static_cast<unsigned char>(value & 0xFF)); }

void put16(std::vector<unsigned char> &out, unsigned value)
{
    put8(out, value);
    put8(out, value >> 8);
}

void put32(std::vector<unsigned char> &out, uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void putEdge(std::vector<unsigned char> &out, const EdgeField &edge)
{
    put16(out, edge.position);
    put8(out, edge.count);
    put8(out, edge.firstEntry);
}

}  // namespace

std::vector<unsigned char> layOutImage(const std::vector<ScreenRecord> &screens, const std::vector<EdgeEntry> &entries)
{
    std::vector<unsigned char> out;
    put32(out, 0);
    put16(out, 0xFFBB);
    put8(out, static_cast<unsigned>(screens.size()));
    put8(out, static_cast<unsigned>(entries.size()));
    for (const ScreenRecord &s : screens) {
        put8(out, s.portIndex);
        put8(out, s.horizontalFactor);
        put8(out, s.verticalFactor);
        put8(out, s.speedCode);
        putEdge(out, s.left);
        putEdge(out, s.right);
        putEdge(out, s.top);
        putEdge(out, s.bottom);
        put16(out, 0x0FFF);
        put16(out, 0x0FFF);
    }
    out.insert(out.end(), (16 - screens.size()) * kScreenRecordSize, 0x44);
    for (const EdgeEntry &e : entries) {
        put16(out, e.start);
        put16(out, e.end);
        put8(out, e.otherScreen);
        put32(out, static_cast<uint32_t>(e.offset));
        put16(out, e.scale);
    }
    out.insert(out.end(), (48 - entries.size()) * kEdgeEntrySize, 0x11);
    return out;
}

uint16_t u16At(const std::vector<unsigned char> &image, int offset)
{
    return static_cast<uint16_t>(image.at(offset) | image.at(offset + 1) << 8);
}

int32_t i32At(const std::vector<unsigned char> &image, int offset)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | image.at(offset + i);
    return static_cast<int32_t>(v);
}

}  // namespace kmctest
