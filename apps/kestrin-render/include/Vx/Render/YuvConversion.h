// Float RGBA into a movie codec's Y'CbCr planes, a tile at a time.
//
// Y' = Kr R + Kg G + Kb B and the colour differences Cb = (B - Y') / (2 (1 - Kb)), Cr = (R - Y') /
// (2 (1 - Kr)), scaled to the range's codes (TV range: 16-235 and 16-240 at 8 bits, times 4 at 10);
// each chroma sample is made from the mean of the pixels it covers (two across for 4:2:2, two by
// two for 4:2:0). Colour is clamped to 0-1 first (a NaN counts as 0). Frames are taken as
// premultiplied over black; where alpha is kept (ProRes 4444) the colour is divided by it and
// alpha is written at full range.
//
// A tile whose pixels are all one colour (a plain background) is converted once and filled; rows
// the same as the ones above them take their codes.
// Tiles are converted on any thread, several at once, into disjoint parts of the planes; a tile
// must start on a chroma sample (an even column for 4:2:x, an even row for 4:2:0) and cover whole
// chroma samples (std::logic_error otherwise).
#pragma once

#include <cstdint>

#include <Vx/Render/TileRenderer.h>

namespace Vx::Render {

struct YuvLayout
{
    int bits = 10;          ///< per sample: 8 (one byte) or 9-16 (two bytes, little-endian)
    int chromaWidth = 2;    ///< pixels across one chroma sample covers: 1 or 2
    int chromaHeight = 1;   ///< rows one chroma sample covers: 1 or 2
    bool alpha = false;     ///< a fourth plane with alpha, the colour divided by it
    float kr = 0.2126f;     ///< the matrix's luma weight of red
    float kb = 0.0722f;     ///< and of blue
    bool fullRange = false; ///< codes 0 to 2^bits - 1, not TV range
};

/// The planes of one picture: Y', Cb, Cr and alpha (when the layout keeps it), each row
/// `linesize` bytes after the one above it.
struct YuvPlanes
{
    std::uint8_t* data[4] = {};
    int linesize[4] = {};
    int width = 0; ///< the picture's pixels
    int height = 0;
};

/// Converts `tile` into its place in `planes`.
void convertToYuv(const YuvLayout& layout, const FrameTile& tile, const YuvPlanes& planes);

} // namespace Vx::Render
