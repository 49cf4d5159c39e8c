// What the KMC parser hands to the image builder, and the limits of both.
#ifndef ZENTRIX_KMC_TYPES_H
#define ZENTRIX_KMC_TYPES_H

#include <cstdint>

namespace zentrix {

constexpr int MAX_NUM_WIN = 32;   // geometry lines the parser keeps
constexpr int MAX_NUM_PAS = 128;  // passage lines the parser keeps
constexpr int MAX_PORTS = 8;

// One screen: a line of the geometry section.
struct geometry_line {
    int32_t port;
    int32_t screen;
    int32_t diagonal;
    int32_t width;
    int32_t height;
    int32_t x;
    int32_t y;
    char shape;  // 'L' or 'P'; checked, then unused
};

// One end of a passage: a stretch of one edge of one screen.
struct passage_half {
    int32_t port;
    int32_t screen;
    char side;  // 'B', 'L', 'R' or 'T'
    int32_t from;
    int32_t to;
};

struct passage_line {
    passage_half half[2];
};

// Everything one parse collects. Lives in static storage; entries beyond the counts are stale.
struct KmcData {
    int32_t ports;       // expected by the caller, 1..8
    int32_t mouseSpeed;  // 1..10 once the parser accepted it
    int32_t geometryCount;
    geometry_line geometry[MAX_NUM_WIN];
    int32_t passageCount;
    passage_line passages[MAX_NUM_PAS];
};

}  // namespace zentrix

#endif
