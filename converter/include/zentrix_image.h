/*
 * Layout of the 920-byte configuration image that convert_d hands out. The loader never looks
 * inside the image; tools that show or check it (kmcconv --dump, the tests) use these offsets.
 * All multi-byte fields are little-endian.
 */
#ifndef ZENTRIX_IMAGE_H
#define ZENTRIX_IMAGE_H

#ifdef __cplusplus
namespace zentrix_image {

constexpr int kSize = 920;

// Header
constexpr int kZeroOffset = 0;         // 4 bytes, always 0
constexpr int kMagicOffset = 4;        // 2 bytes, 0xFFBB
constexpr int kMagic = 0xFFBB;
constexpr int kScreenCountOffset = 6;  // 1 byte, S
constexpr int kEdgeCountOffset = 7;    // 1 byte, E = 2 x passages

// Screen records: 16 of 24 bytes; unused ones are filled with kScreenFiller.
constexpr int kScreensOffset = 8;
constexpr int kMaxScreens = 16;
constexpr int kScreenSize = 24;
constexpr unsigned char kScreenFiller = 0x44;
namespace screen {
constexpr int kPort = 0;              // port index, port - 1
constexpr int kHorizontalFactor = 1;
constexpr int kVerticalFactor = 2;
constexpr int kSpeedCode = 3;
constexpr int kEdges = 4;             // left, right, top, bottom: 4 bytes each, see below
constexpr int kEdgeSize = 4;          // 2 bytes position, 1 byte count, 1 byte first entry
constexpr int kTrailer = 20;          // two 16-bit words, both 0x0FFF
constexpr int kTrailerWord = 0x0FFF;
constexpr unsigned char kNoEntry = 0xFF;  // first-entry index of an edge without entries
}  // namespace screen

// Edge entries: 48 of 11 bytes, packed; unused ones are filled with kEdgeFiller.
constexpr int kEdgesOffset = kScreensOffset + kMaxScreens * kScreenSize;  // 392
constexpr int kMaxEdges = 48;
constexpr int kEdgeSize = 11;
constexpr unsigned char kEdgeFiller = 0x11;
namespace edge {
constexpr int kStart = 0;        // 16-bit, normalised start of the stretch on this edge
constexpr int kEnd = 2;          // 16-bit, normalised end
constexpr int kOtherScreen = 4;  // output index of the screen on the other side
constexpr int kOffset = 5;       // signed 32-bit
constexpr int kScale = 9;        // unsigned 16-bit, 8 fractional bits
}  // namespace edge

static_assert(kEdgesOffset + kMaxEdges * kEdgeSize == kSize, "the image is 920 bytes");

}  // namespace zentrix_image
#endif

#endif
