// The conversions between the rendered float pixels and the integer pixels of files, on the way in
// (ImageSequenceSource) and out (FrameWriter): the hot loops of a file sequence besides the
// libraries' own decoding and encoding. Each gives exactly the values OpenImageIO's conversion
// gives (8-bit levels as PNG stores them aside), in loops the compiler vectorises.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Vx::Render {

/// Premultiplied float RGBA to 8-bit RGBA with colour divided by alpha, as PNG stores it: each
/// value clamped to [0, 1] and rounded to the nearest of the 256 levels. Colour under zero alpha
/// (and NaN) is 0.
void toStraight8Bit(const float* rgba, std::size_t pixelCount, unsigned char* out);

/// Float RGBA to 16-bit RGB (alpha dropped), as DPX and TIFF store it: each value times 65535,
/// clamped to [0, 65535] and rounded half away from zero; NaN is 0.
void toUnsigned16RGB(const float* rgba, std::size_t pixelCount, std::uint16_t* out);

/// 8-bit values to float in [0, 1] (v / 255), by a table made with OpenImageIO's conversion.
void unsigned8ToFloat(const unsigned char* in, std::size_t count, float* out);
/// 16-bit values to float in [0, 1] (v / 65535), by a table made with OpenImageIO's conversion.
void unsigned16ToFloat(const std::uint16_t* in, std::size_t count, float* out);
/// 16-bit RGB pixels to float RGBA with alpha 1: the colour as unsigned16ToFloat gives it.
void unsigned16RGBToFloatRGBA(const std::uint16_t* rgb, std::size_t pixelCount, float* rgba);

/// Half-precision values (their bits) to float, as OpenEXR's half converts: exact, every half is
/// a float (NaN's payload kept as Imath keeps it).
void halfToFloat(const std::uint16_t* in, std::size_t count, float* out);
/// Float to half precision as OpenEXR's half converts: to the nearest, ties to even; too large
/// for a half gives infinity, NaN stays NaN.
void floatToHalf(const float* in, std::size_t count, std::uint16_t* out);

/// Multiplies the colour of `pixelCount` RGBA pixels by their alpha, as premultiply() does.
void premultiplyRGBA(float* rgba, std::size_t pixelCount);

/// Multiplies the colour channels of `pixelCount` pixels of `channels` interleaved floats by the
/// pixel's channel `alpha`; `isColour[c]` tells which channels are colour (at most 64 channels).
void premultiply(float* pixels, std::size_t pixelCount, int channels, int alpha, const bool isColour[64]);

} // namespace Vx::Render
