#include "image_builder.h"

#include "little_endian.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zentrix {

namespace {

namespace layout = zentrix_image;

constexpr int kSlots = 256;
constexpr int kScreensPerPort = 32;
constexpr int kNormalised = 4096;  // the normalised space is 0..4095 on both axes

// Edge lists are kept per side in this order; the image writes them left, right, top, bottom.
enum Side { kRight, kLeft, kBottom, kTop, kSideCount };

const int kSpeedCode[11] = {0, 1, 2, 4, 8, 16, 28, 49, 84, 147, 255};

// One passage half named by an edge list entry.
struct EdgeRef {
    uint8_t passage;
    uint8_t half;
};

struct EdgeList {
    int count;
    EdgeRef entries[MAX_NUM_PAS];
};

struct Stretch {
    int32_t start;  // normalised
    int32_t end;
};

struct Map {
    int32_t offset;
    int32_t scale;
};

struct ScreenShape {
    int32_t xStart, xEnd, yStart, yEnd;  // normalised
    int32_t horizontalFactor, verticalFactor;
};

// All work tables live here, in static storage, and are rebuilt by every build.
struct Tables {
    bool slotUsed[kSlots];
    int slotLine[kSlots];    // slot -> index of its geometry line
    int slotOutput[kSlots];  // slot -> place among the screen records
    int screensPerPort[MAX_PORTS];
    int portsWithScreens;
    int portLines[MAX_PORTS][kScreensPerPort];  // per port, its geometry lines in line order
    EdgeList edges[kSideCount][kSlots];
    int passageSlot[MAX_NUM_PAS][2];
    Stretch stretch[MAX_NUM_PAS][2];
    Map map[MAX_NUM_PAS][2];  // map[p][h]: from half h onto the other half
    ScreenShape shape[kSlots];
};

Tables t;

int slotOf(int port, int screen)
{
    return (screen - 1) * 8 + (port - 1);
}

int sideIndex(char side)
{
    switch (side) {
    case 'R': return kRight;
    case 'L': return kLeft;
    case 'B': return kBottom;
    case 'T': return kTop;
    }
    return -1;
}

char oppositeOf(char side)
{
    switch (side) {
    case 'B': return 'T';
    case 'T': return 'B';
    case 'L': return 'R';
    case 'R': return 'L';
    }
    return 0;
}

// Two closed ranges share at least one pixel. This must be a true intersection test: a range
// lying inside another, or two screens crossing without sharing a corner, overlap too.
bool rangesOverlap(int64_t first1, int64_t last1, int64_t first2, int64_t last2)
{
    return first1 <= last2 && first2 <= last1;
}

// Rounding of the normalisation: the truncating quotient, plus one when there is a remainder
// (ceiling), or less one when there is none (ceiling minus one). Dividends are never negative.
// 64-bit, because pixel values times 4096 overflow 32 bits for screens wider than 524287.
int64_t ceilDiv(int64_t a, int64_t b)
{
    return a / b + (a % b != 0 ? 1 : 0);
}

int64_t ceilDivLessOne(int64_t a, int64_t b)
{
    return a / b - (a % b == 0 ? 1 : 0);
}

int64_t normaliseStart(int64_t position, int64_t min, int64_t span)
{
    return ceilDiv((position - min) * kNormalised, span);
}

// `pastEnd` is the first pixel after the range.
int64_t normaliseEnd(int64_t pastEnd, int64_t min, int64_t span)
{
    return ceilDivLessOne((pastEnd - min) * kNormalised, span);
}

const geometry_line &lineOfSlot(const KmcData &d, int slot)
{
    return d.geometry[t.slotLine[slot]];
}

int indexScreens(const KmcData &d)
{
    if (d.geometryCount == 0 || d.geometryCount > MAX_NUM_WIN)
        return kNoGeometry;
    std::memset(t.slotUsed, 0, sizeof t.slotUsed);
    std::memset(t.screensPerPort, 0, sizeof t.screensPerPort);
    for (int i = 0; i < d.geometryCount; ++i) {
        const geometry_line &g = d.geometry[i];
        if (g.port < 1 || g.port > d.ports)
            return kPortOutOfRange;
        if (g.screen < 1 || g.screen > kScreensPerPort)
            return kScreenOutOfRange;
        int slot = slotOf(g.port, g.screen);
        if (t.slotUsed[slot])
            return kDuplicateScreen;
        int port = g.port - 1;
        t.slotUsed[slot] = true;
        t.slotLine[slot] = i;
        t.portLines[port][t.screensPerPort[port]] = i;
        ++t.screensPerPort[port];
    }
    t.portsWithScreens = 0;
    int total = 0;
    for (int p = 0; p < MAX_PORTS; ++p) {
        total += t.screensPerPort[p];
        if (t.screensPerPort[p] > 0)
            ++t.portsWithScreens;
    }
    if (total != d.geometryCount)
        return kPortTallyMismatch;
    return kBuildOk;
}

int checkHalf(const KmcData &d, int passage, int half)
{
    const passage_half &h = d.passages[passage].half[half];
    if (h.port < 1 || h.port > d.ports)
        return kPortOutOfRange;
    if (h.screen < 1 || h.screen > kScreensPerPort)
        return kScreenOutOfRange;
    int slot = slotOf(h.port, h.screen);
    if (!t.slotUsed[slot])
        return kUnknownScreen;
    if (h.from < 0 || h.from >= h.to)
        return kBadStretch;
    const geometry_line &g = lineOfSlot(d, slot);
    int length = (h.side == 'T' || h.side == 'B') ? g.width : g.height;
    if (h.to >= length)
        return kBadStretch;
    t.passageSlot[passage][half] = slot;
    EdgeList &list = t.edges[sideIndex(h.side)][slot];
    list.entries[list.count++] = EdgeRef{static_cast<uint8_t>(passage), static_cast<uint8_t>(half)};
    return kBuildOk;
}

int collectPassages(const KmcData &d)
{
    if (d.passageCount == 0 || d.passageCount > MAX_NUM_PAS)
        return kNoPassages;
    // Only the lists of screens in use can receive entries or be read, so only they are
    // cleared; clearing all 1024 would touch a quarter megabyte for nothing.
    for (int i = 0; i < d.geometryCount; ++i)
        for (auto &side : t.edges)
            side[slotOf(d.geometry[i].port, d.geometry[i].screen)].count = 0;
    for (int p = 0; p < d.passageCount; ++p) {
        const passage_line &line = d.passages[p];
        if (sideIndex(line.half[0].side) < 0 || line.half[1].side != oppositeOf(line.half[0].side))
            return kSidesNotOpposite;
        if (line.half[0].port == line.half[1].port && line.half[0].screen == line.half[1].screen)
            return kSameScreen;
        for (int half = 0; half < 2; ++half)
            if (int code = checkHalf(d, p, half))
                return code;
    }
    // No two stretches on one edge of a screen may share a pixel.
    static const Side kCheckOrder[] = {kTop, kBottom, kLeft, kRight};
    for (int i = 0; i < d.geometryCount; ++i) {
        int slot = slotOf(d.geometry[i].port, d.geometry[i].screen);
        for (Side side : kCheckOrder) {
            const EdgeList &list = t.edges[side][slot];
            for (int later = 0; later < list.count; ++later) {
                const passage_half &b = d.passages[list.entries[later].passage].half[list.entries[later].half];
                for (int earlier = 0; earlier < later; ++earlier) {
                    const EdgeRef &e = list.entries[earlier];
                    const passage_half &a = d.passages[e.passage].half[e.half];
                    if (rangesOverlap(a.from, a.to, b.from, b.to))
                        return kStretchesOverlap;
                }
            }
        }
    }
    return kBuildOk;
}

// Places one port's screens in the normalised space and normalises their stretches.
int normalisePort(const KmcData &d, int port)
{
    const int count = t.screensPerPort[port];
    const int *lines = t.portLines[port];

    bool hasOrigin = false;
    for (int k = 0; k < count; ++k)
        hasOrigin = hasOrigin || (d.geometry[lines[k]].x == 0 && d.geometry[lines[k]].y == 0);
    if (!hasOrigin)
        return kNoOrigin;

    // The port's desktop: the bounding box of its screens, starting as the point (0, 0).
    int64_t minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int k = 0; k < count; ++k) {
        const geometry_line &g = d.geometry[lines[k]];
        if (g.height <= 0 || g.width <= 0)
            return kBadSize;
        const int64_t lastX = int64_t(g.x) + g.width - 1, lastY = int64_t(g.y) + g.height - 1;
        minX = std::min<int64_t>(minX, g.x);
        maxX = std::max(maxX, lastX);
        minY = std::min<int64_t>(minY, g.y);
        maxY = std::max(maxY, lastY);
        for (int j = 0; j < k; ++j) {
            const geometry_line &e = d.geometry[lines[j]];
            bool rows = rangesOverlap(e.y, int64_t(e.y) + e.height - 1, g.y, lastY);
            bool columns = rangesOverlap(e.x, int64_t(e.x) + e.width - 1, g.x, lastX);
            if (rows && columns)
                return kScreensOverlap;
        }
    }
    const int64_t spanX = maxX - minX + 1, spanY = maxY - minY + 1;

    static const Side kStretchOrder[] = {kTop, kBottom, kLeft, kRight};
    for (int k = 0; k < count; ++k) {
        const geometry_line &g = d.geometry[lines[k]];
        const int slot = slotOf(g.port, g.screen);
        ScreenShape &s = t.shape[slot];
        const int64_t yStart = normaliseStart(g.y, minY, spanY);
        const int64_t yEnd = normaliseEnd(int64_t(g.y) + g.height, minY, spanY);
        if (yStart >= yEnd)
            return kEmptyScreen;
        const int64_t xStart = normaliseStart(g.x, minX, spanX);
        const int64_t xEnd = normaliseEnd(int64_t(g.x) + g.width, minX, spanX);
        if (xStart >= xEnd)
            return kEmptyScreen;
        s.xStart = int32_t(xStart);
        s.xEnd = int32_t(xEnd);
        s.yStart = int32_t(yStart);
        s.yEnd = int32_t(yEnd);

        // The factors are 512 divided by the screen's physical height and width.
        if (g.diagonal <= 0)
            return kBadFactor;
        const int64_t w = g.width, h = g.height;
        const int64_t pixelDiagonal = int64_t(std::sqrt(double(w * w + h * h)));
        const int64_t vertical = pixelDiagonal * 512 / (h * g.diagonal);
        if (vertical < 3 || vertical > 255)
            return kBadFactor;
        const int64_t horizontal = pixelDiagonal * 512 / (w * g.diagonal);
        if (horizontal < 3 || horizontal > 255)
            return kBadFactor;
        s.verticalFactor = int32_t(vertical);
        s.horizontalFactor = int32_t(horizontal);

        for (Side side : kStretchOrder) {
            const bool alongX = side == kTop || side == kBottom;
            const int64_t position = alongX ? g.x : g.y;
            const int64_t min = alongX ? minX : minY;
            const int64_t span = alongX ? spanX : spanY;
            const EdgeList &list = t.edges[side][slot];
            for (int e = 0; e < list.count; ++e) {
                const EdgeRef &ref = list.entries[e];
                const passage_half &h = d.passages[ref.passage].half[ref.half];
                const int64_t start = normaliseStart(position + h.from, min, span);
                const int64_t end = normaliseEnd(position + h.to + 1, min, span);
                if (start >= end)
                    return kEmptyStretch;
                t.stretch[ref.passage][ref.half] = Stretch{int32_t(start), int32_t(end)};
            }
        }
    }
    return kBuildOk;
}

int normalise(const KmcData &d)
{
    for (int port = 0; port < d.ports; ++port)
        if (t.screensPerPort[port] > 0)
            if (int code = normalisePort(d, port))
                return code;
    return kBuildOk;
}

int linkPassages(const KmcData &d)
{
    for (int p = 0; p < d.passageCount; ++p) {
        Stretch &s0 = t.stretch[p][0];
        Stretch &s1 = t.stretch[p][1];
        const int32_t a0 = s0.start, b0 = s0.end, a1 = s1.start, b1 = s1.end;
        if ((t.passageSlot[p][0] & 7) == (t.passageSlot[p][1] & 7)) {
            // Within one port the cursor keeps its coordinate: both ends take the common part.
            if (a0 >= b1 || a1 >= b0)
                return kSamePortDisjoint;
            s0.start = s1.start = std::max(a0, a1);
            s0.end = s1.end = std::min(b0, b1);
            t.map[p][0] = t.map[p][1] = Map{0, 256};
            continue;
        }
        const int32_t forwardScale = ((b1 - a1) * 256) / (b0 - a0);
        if (forwardScale > 65535)
            return kScaleTooLarge;
        const int32_t backwardScale = ((b0 - a0) * 256) / (b1 - a1);
        if (backwardScale > 65535)
            return kScaleTooLarge;
        t.map[p][0] = Map{(b0 * a1 - a0 * b1) / (b0 - a0), forwardScale};
        t.map[p][1] = Map{(a0 * b1 - b0 * a1) / (b1 - a1), backwardScale};
    }
    return kBuildOk;
}

int assignOutputIndices(const KmcData &d)
{
    int next = 0, ports = 0;
    for (int port = 0; port < d.ports; ++port) {
        int found = 0;
        for (int screen = 1; screen <= kScreensPerPort; ++screen) {
            int slot = slotOf(port + 1, screen);
            if (!t.slotUsed[slot])
                continue;
            if (next == MAX_NUM_WIN)
                return kTooManyOutputs;
            t.slotOutput[slot] = next++;
            ++found;
        }
        if (found != t.screensPerPort[port])
            return kPortScreensMismatch;
        if (found > 0)
            ++ports;
    }
    if (next != d.geometryCount)
        return kOutputCountMismatch;
    if (ports != t.portsWithScreens)
        return kPortCountMismatch;
    return kBuildOk;
}

void writeImage(const KmcData &d, uint8_t (&image)[layout::kSize])
{
    std::memset(image, 0, layout::kEdgesOffset);
    le::put32(image + layout::kZeroOffset, 0);
    le::put16(image + layout::kMagicOffset, layout::kMagic);
    image[layout::kScreenCountOffset] = uint8_t(d.geometryCount);
    image[layout::kEdgeCountOffset] = uint8_t(2 * d.passageCount);

    static const Side kImageOrder[] = {kLeft, kRight, kTop, kBottom};
    const uint8_t speed = uint8_t(kSpeedCode[d.mouseSpeed >= 1 && d.mouseSpeed <= 10 ? d.mouseSpeed : 0]);
    int record = 0, entries = 0;
    uint8_t *edge = image + layout::kEdgesOffset;
    for (int port = 0; port < d.ports; ++port) {
        for (int screen = 1; screen <= kScreensPerPort; ++screen) {
            const int slot = slotOf(port + 1, screen);
            if (!t.slotUsed[slot])
                continue;
            const ScreenShape &s = t.shape[slot];
            uint8_t *r = image + layout::kScreensOffset + record++ * layout::kScreenSize;
            r[layout::screen::kPort] = uint8_t(port);
            r[layout::screen::kHorizontalFactor] = uint8_t(s.horizontalFactor);
            r[layout::screen::kVerticalFactor] = uint8_t(s.verticalFactor);
            r[layout::screen::kSpeedCode] = speed;
            const int32_t bounds[] = {s.xStart, s.xEnd, s.yStart, s.yEnd};
            for (int i = 0; i < 4; ++i) {
                const EdgeList &list = t.edges[kImageOrder[i]][slot];
                uint8_t *at = r + layout::screen::kEdges + i * layout::screen::kEdgeSize;
                le::put16(at, uint32_t(bounds[i]));
                at[2] = uint8_t(list.count);
                at[3] = list.count ? uint8_t(entries) : layout::screen::kNoEntry;
                entries += list.count;
                for (int e = 0; e < list.count; ++e, edge += layout::kEdgeSize) {
                    const EdgeRef &ref = list.entries[e];
                    const Stretch &st = t.stretch[ref.passage][ref.half];
                    const Map &m = t.map[ref.passage][ref.half];
                    le::put16(edge + layout::edge::kStart, uint32_t(st.start));
                    le::put16(edge + layout::edge::kEnd, uint32_t(st.end));
                    edge[layout::edge::kOtherScreen] = uint8_t(t.slotOutput[t.passageSlot[ref.passage][1 - ref.half]]);
                    le::put32(edge + layout::edge::kOffset, uint32_t(m.offset));
                    le::put16(edge + layout::edge::kScale, uint32_t(m.scale));
                }
            }
            le::put16(r + layout::screen::kTrailer, layout::screen::kTrailerWord);
            le::put16(r + layout::screen::kTrailer + 2, layout::screen::kTrailerWord);
        }
    }
    std::memset(image + layout::kScreensOffset + record * layout::kScreenSize, layout::kScreenFiller,
                size_t(layout::kMaxScreens - record) * layout::kScreenSize);
    std::memset(edge, layout::kEdgeFiller, size_t(image + layout::kSize - edge));
}

}  // namespace

int buildImage(const KmcData &d, uint8_t (&image)[layout::kSize])
{
    if (int code = indexScreens(d))
        return code;
    if (int code = collectPassages(d))
        return code;
    if (int code = normalise(d))
        return code;
    if (int code = linkPassages(d))
        return code;
    if (int code = assignOutputIndices(d))
        return code;
    if (d.geometryCount > layout::kMaxScreens || 2 * d.passageCount > layout::kMaxEdges)
        return kImageFull;
    writeImage(d, image);
    return kBuildOk;
}

}  // namespace zentrix
