// Lays out a configuration image from its tables, field by field, so that a test can state
// the image it expects the way the switch's documentation states it.
#ifndef EXPECTED_IMAGE_H
#define EXPECTED_IMAGE_H

#include <cstdint>
#include <vector>

namespace kmctest {

constexpr int kImageSize = 920;

struct EdgeField {
    uint16_t position;   // normalised x start, x end, y start or y end
    uint8_t count;       // edge entries of this edge
    uint8_t firstEntry;  // 0xFF when count is 0
};

struct ScreenRecord {
    uint8_t portIndex;
    uint8_t horizontalFactor;
    uint8_t verticalFactor;
    uint8_t speedCode;
    EdgeField left, right, top, bottom;
};

struct EdgeEntry {
    uint16_t start;
    uint16_t end;
    uint8_t otherScreen;
    int32_t offset;
    uint16_t scale;
};

std::vector<unsigned char> layOutImage(const std::vector<ScreenRecord> &screens,
                                       const std::vector<EdgeEntry> &entries);

// Little-endian field readers for checks on single fields of an image.
uint16_t u16At(const std::vector<unsigned char> &image, int offset);
int32_t i32At(const std::vector<unsigned char> &image, int offset);

constexpr int kScreenRecordsAt = 8;
constexpr int kScreenRecordSize = 24;
constexpr int kEdgeEntriesAt = 392;
constexpr int kEdgeEntrySize = 11;

}  // namespace kmctest

#endif
