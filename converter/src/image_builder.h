// The image builder: checks the values the parser collected, normalises every port's screens
// to 0..4095 on both axes, links the passages and lays out the 920-byte configuration image.
#ifndef ZENTRIX_IMAGE_BUILDER_H
#define ZENTRIX_IMAGE_BUILDER_H

#include "kmc_types.h"
#include "zentrix_image.h"

#include <cstdint>

namespace zentrix {

// Builder result codes; a caller shows a code c as c - 15.
enum BuildResult : int {
    kBuildOk = 0,
    kNoGeometry = 16,            // no geometry lines, or more than 32
    kNoPassages = 17,            // no passage lines, or more than 128
    kPortOutOfRange = 18,        // port outside 1..N
    kScreenOutOfRange = 19,      // screen outside 1..32
    kUnknownScreen = 20,         // a passage names a screen no geometry line defines
    kStretchesOverlap = 21,      // two stretches on one edge of a screen share a pixel
    kBadStretch = 22,            // from < 0, from >= to, or to beyond the edge
    kSidesNotOpposite = 23,      // not B-T, T-B, L-R or R-L
    kSameScreen = 24,            // a passage from a screen to itself
    kDuplicateScreen = 25,       // two geometry lines for one (port, screen)
    kEmptyStretch = 26,          // a stretch empty once normalised
    kBadSize = 27,               // width or height not above 0
    kBadFactor = 28,             // diagonal not above 0, or a factor outside 3..255
    kScreensOverlap = 29,        // two screens of one port share a pixel
    kEmptyScreen = 30,           // a screen empty once normalised
    kSamePortDisjoint = 31,      // same-port passage whose stretches do not overlap
    kNoOrigin = 32,              // a port with screens has none at (0, 0)
    kScaleTooLarge = 33,         // a map's scale exceeds 65535
    kImageFull = 63,             // more than 16 screens or more than 24 passages
    kTooManyOutputs = 112,       // consistency checks of the builder's own tables
    kOutputCountMismatch = 113,
    kPortTallyMismatch = 114,
    kPortScreensMismatch = 115,
    kPortCountMismatch = 116,
};

// Builds the image from `data` into `image`. On kBuildOk every byte of `image` is written;
// on any other code its contents are undefined.
int buildImage(const KmcData &data, uint8_t (&image)[zentrix_image::kSize]);

}  // namespace zentrix

#endif
