// The movie and colour settings of a run: the composition file's ("movie", "colour"), with the
// command line's options over them, and the names errors give each value.
//
//   COMPOSITION.json "movie" / "colour" --mergeRunSettings(--codec, --crf, --ocio, --colorspace-in,
//        --colorspace-out, --display, --view)--> CompositionDoc (written again by --save and Save)
//        --getRunColour / getCodecOrigin / getCrfOrigin--> what the run uses, and how errors name it
//
// An option replaces the file's value of the same key. The output's colour is one choice: an
// option choosing it (--colorspace-out, or --display and --view) replaces the file's other way
// of choosing it. A --codec other than h264 drops the file's crf, which only h264 has. Functions
// only, main thread.
#pragma once

#include <string>

#include <Vx/Render/ColourOptions.h>
#include <Vx/Render/CompositionFile.h>
#include <Vx/Render/RenderOptions.h>

namespace Vx::Render {

/// Applies the movie and colour options of `options` over `doc`'s own (mergeOptions calls it).
void mergeRunSettings(CompositionDoc& doc, const RenderOptions& options);

/// The colour options of a run whose merged document is `doc`: its values, each named in errors
/// by the option that gave it, or by the composition file `options.composition` and the key.
ColourOptions getRunColour(const RenderOptions& options, const CompositionDoc& doc);

/// How errors name a movie's codec: "--codec", or the composition file and "movie" "codec".
std::string getCodecOrigin(const RenderOptions& options);
/// How errors name h264's constant rate factor: "--crf", or the composition file and "movie" "crf".
std::string getCrfOrigin(const RenderOptions& options);

} // namespace Vx::Render
