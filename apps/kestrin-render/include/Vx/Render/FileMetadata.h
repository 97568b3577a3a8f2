// The attributes of an image file's header as texts: what <meta:NAME> shows, what
// --list-metadata prints and what --timecode-from input reads.
//
// Names are exactly OpenImageIO's ("camera", "FramesPerSecond", "smpte:TimeCode"). Values are
// written as: strings as they stand; integers in decimal; floats with the shortest text that
// reads back as the same float (or double); rationals as n/d; SMPTE timecodes as HH:MM:SS:FF
// (HH:MM:SS;FF when the header marks them drop-frame); vectors, matrices and arrays with their
// elements separated by single spaces.
//
// Pure functions, callable from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <OpenImageIO/imageio.h>

#include <Vx/Px/PxMetadata.h>
#include <Vx/Tm/Rational.h>

namespace Vx::Render {

/// The value of `attribute` as text (see above).
std::string formatAttribute(const OIIO::ParamValue& attribute);
/// The timecode of an SMPTE time word (the first of the two words of OpenImageIO's timecode
/// type): binary-coded decimal fields, bit 6 the drop-frame flag.
std::string formatTimeCodeWord(std::uint32_t timeWord);
/// Every attribute of `spec`, in the header's order, formatted.
PxMetadataPtr makeMetadata(const OIIO::ImageSpec& spec);
/// The header's frame rate ("FramesPerSecond"), when it gives one that is valid.
std::optional<Rational> headerFrameRate(const OIIO::ImageSpec& spec);

} // namespace Vx::Render
