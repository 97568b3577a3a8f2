// The movie and colour settings of a run, from the composition file and the command line.
#include <Vx/Render/InQuotes.h>
#include <Vx/Render/RunSettings.h>

namespace Vx::Render {

namespace {

/// `Composition "FILE": "group" "key"`, as errors name a value the file gave.
std::string fileKey(const RenderOptions& options, const char* group, const char* key)
{
    return "Composition " + inQuotes(options.composition) + ": " + inQuotes(group) + " " + inQuotes(key);
}

} // namespace

void mergeRunSettings(CompositionDoc& doc, const RenderOptions& options)
{
    if (options.codec) {
        doc.codec = options.codec;
        if (*options.codec != MovieCodec::H264)
            doc.crf.reset();
    }
    if (options.crf)
        doc.crf = options.crf;

    const ColourOptions& given = options.colour;
    ColourOptions& colour = doc.colour;
    if (!given.ocio.empty())
        colour.ocio = given.ocio;
    if (given.colourSpaceIn)
        colour.colourSpaceIn = given.colourSpaceIn;
    // The output's colour is one choice: the options' way of giving it replaces the file's other
    // way. Both ways on the command line stay, for the run to refuse.
    if (given.colourSpaceOut || given.display || given.view) {
        colour.colourSpaceOut = given.colourSpaceOut;
        if (!given.display && !given.view) {
            colour.display.reset();
            colour.view.reset();
        }
        if (given.display)
            colour.display = given.display;
        if (given.view)
            colour.view = given.view;
    }
}

ColourOptions getRunColour(const RenderOptions& options, const CompositionDoc& doc)
{
    const ColourOptions& given = options.colour;
    ColourOptions colour = doc.colour;
    colour.listColourSpaces = given.listColourSpaces;
    colour.origins = given.origins;
    if (given.ocio.empty() && !colour.ocio.empty())
        colour.origins.ocio = fileKey(options, "colour", "ocio");
    if (!given.colourSpaceIn && colour.colourSpaceIn)
        colour.origins.colourSpaceIn = fileKey(options, "colour", "in");
    if (!given.colourSpaceOut && colour.colourSpaceOut)
        colour.origins.colourSpaceOut = fileKey(options, "colour", "out");
    if (!given.display && colour.display)
        colour.origins.display = fileKey(options, "colour", "display");
    if (!given.view && colour.view)
        colour.origins.view = fileKey(options, "colour", "view");
    return colour;
}

std::string getCodecOrigin(const RenderOptions& options)
{
    return options.codec || options.composition.empty() ? std::string("--codec") : fileKey(options, "movie", "codec");
}

std::string getCrfOrigin(const RenderOptions& options)
{
    return options.crf || options.composition.empty() ? std::string("--crf") : fileKey(options, "movie", "crf");
}

} // namespace Vx::Render
