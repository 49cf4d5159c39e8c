#include "image_dump.h"

#include "little_endian.h"
#include "zentrix_image.h"

#include <cstdint>

namespace layout = zentrix_image;

static bool allBytes(const unsigned char *at, int size, unsigned char value)
{
    for (int i = 0; i < size; ++i)
        if (at[i] != value)
            return false;
    return true;
}

// Fillers are summarised as a range; a record that should be filler but is not is shown
// in full and flagged, since that would be a faulty image.
static void printFillers(std::FILE *out, int first, int last, bool intact, unsigned char filler)
{
    if (first > last)
        return;
    std::fprintf(out, "  %d..%d: filler 0x%02X%s\n", first, last, filler,
                 intact ? "" : "  (NOT INTACT)");
}

void dumpImage(const unsigned char *image, std::FILE *out)
{
    const int screens = image[layout::kScreenCountOffset];
    const int edges = image[layout::kEdgeCountOffset];
    std::fprintf(out, "Header\n");
    std::fprintf(out, "  zero     %u\n", unsigned(le::get32(image + layout::kZeroOffset)));
    std::fprintf(out, "  magic    0x%04X\n", le::get16(image + layout::kMagicOffset));
    std::fprintf(out, "  screens  %d\n", screens);
    std::fprintf(out, "  edges    %d\n", edges);

    static const char *const kEdgeNames[] = {"left x", "right x", "top y", "bottom y"};
    std::fprintf(out, "Screen records (position, entry count, first entry)\n");
    std::fprintf(out, "  #   port  h.f  v.f  speed  %-16s %-16s %-16s %-16s trailer\n", kEdgeNames[0],
                 kEdgeNames[1], kEdgeNames[2], kEdgeNames[3]);
    bool fillerIntact = true;
    for (int i = 0; i < layout::kMaxScreens; ++i) {
        const unsigned char *r = image + layout::kScreensOffset + i * layout::kScreenSize;
        if (i >= screens) {
            fillerIntact = fillerIntact && allBytes(r, layout::kScreenSize, layout::kScreenFiller);
            continue;
        }
        std::fprintf(out, "  %-3d %-5d %-4d %-4d %-6d", i, r[layout::screen::kPort] + 1,
                     r[layout::screen::kHorizontalFactor], r[layout::screen::kVerticalFactor],
                     r[layout::screen::kSpeedCode]);
        for (int e = 0; e < 4; ++e) {
            const unsigned char *at = r + layout::screen::kEdges + e * layout::screen::kEdgeSize;
            char first[8];
            if (at[3] == layout::screen::kNoEntry)
                std::snprintf(first, sizeof first, "-");
            else
                std::snprintf(first, sizeof first, "%u", at[3]);
            char cell[32];
            std::snprintf(cell, sizeof cell, "%u,%u,%s", le::get16(at), at[2], first);
            std::fprintf(out, " %-16s", cell);
        }
        std::fprintf(out, " 0x%04X 0x%04X\n", le::get16(r + layout::screen::kTrailer),
                     le::get16(r + layout::screen::kTrailer + 2));
    }
    printFillers(out, screens, layout::kMaxScreens - 1, fillerIntact, layout::kScreenFiller);

    std::fprintf(out, "Edge entries\n");
    std::fprintf(out, "  #   start  end    other  offset       scale\n");
    fillerIntact = true;
    for (int i = 0; i < layout::kMaxEdges; ++i) {
        const unsigned char *e = image + layout::kEdgesOffset + i * layout::kEdgeSize;
        if (i >= edges) {
            fillerIntact = fillerIntact && allBytes(e, layout::kEdgeSize, layout::kEdgeFiller);
            continue;
        }
        std::fprintf(out, "  %-3d %-6u %-6u %-6u %-12d %u\n", i, le::get16(e + layout::edge::kStart),
                     le::get16(e + layout::edge::kEnd), e[layout::edge::kOtherScreen],
                     int32_t(le::get32(e + layout::edge::kOffset)), le::get16(e + layout::edge::kScale));
    }
    printFillers(out, edges, layout::kMaxEdges - 1, fillerIntact, layout::kEdgeFiller);
}
