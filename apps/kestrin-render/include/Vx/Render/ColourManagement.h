// Colour management of kestrin-render with OpenColorIO: which configuration is used, what the
// input and output colour spaces are, and the conversion of an input frame's colour.
//
//   --ocio FILE | $OCIO | share/ocio/config.ocio next to the program   (ColourConfig::load)
//   --colorspace-in | the file's oiio:ColorSpace | linear for float files, sRGB for 8/10/16-bit
//        --> ColourConversion (OpenColorIO's optimised CPU processor) -->
//   --colorspace-out | --display/--view | the output format's default (defaultOutputColourSpace)
//
// The plate is converted to the output space as each input frame is decoded (on the frame's own
// worker thread, ImageSequenceSource), before the Slate draws over it: the Slate's colours are
// output values (white text is 1.0 in the file written). A generated plate is not converted: its
// colours are the Slate's own.
//
// A conversion that treats each channel on its own (sRGB, Rec.709 and other curves) is applied
// through a table of the processor's results, interpolated: within 1e-5 of the processor for
// values up to 1, at a tenth of its cost; others (matrices, ACES views) through the processor.
//
// Premultiplied colour is divided by alpha before the conversion and multiplied again after it,
// so that the curve applies to the colour itself; a pixel whose alpha is 0 (or not a number) is
// left as it is. Channels other than R, G, B and A pass through unchanged.
//
// A conversion whose source and destination are the same colour space (names compared after the
// configuration resolves aliases) is no conversion at all: the frames are bit for bit what they
// were without colour management. Errors (a configuration that does not load, an unknown colour
// space, display or view) are UsageError naming the option (or the composition file and key) and
// the value, listing what is known.
//
// ColourConfig is built on the main thread; ColourConversion::convert may run on many threads at
// once (the processor is shared and immutable).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <OpenColorIO/OpenColorIO.h>

#include <OpenImageIO/imageio.h>

#include <Vx/Render/ColourOptions.h>

namespace Vx::Render {

struct SourceFrame;

/// A loaded OpenColorIO configuration and the names it knows.
class ColourConfig
{
public:
    /// The configuration --ocio names, else $OCIO, else the shipped one next to the program
    /// (defaultConfigPath). Throws UsageError naming where the file came from (`ocioOrigin` for
    /// `ocioOption`), the file and OpenColorIO's own message when it does not load.
    static ColourConfig load(const std::string& ocioOption, const std::string& executablePath,
                             const std::string& ocioOrigin = "--ocio");
    /// "../share/ocio/config.ocio" next to the executable's folder.
    static std::string defaultConfigPath(const std::string& executablePath);

    const std::string& getPath() const { return m_path; }
    const OCIO_NAMESPACE::ConstConfigRcPtr& getConfig() const { return m_config; }

    /// The configuration's name of the colour space `name` (an alias or a role resolves to the
    /// space), or nothing when it knows none.
    std::optional<std::string> findColourSpace(const std::string& name) const;
    /// The same, throwing UsageError "`option`: unknown colour space "NAME" in "FILE"; known: ..."
    /// (every space, with its aliases in brackets).
    std::string getColourSpace(const std::string& name, const std::string& option) const;

    /// Prints the spaces (with their aliases), the displays and their views.
    void list(std::ostream& out) const;

private:
    std::string describeColourSpaces() const;

    std::string m_path;
    OCIO_NAMESPACE::ConstConfigRcPtr m_config;
};

/// The colour space an output written to `path` is converted to when no option says: nothing for
/// EXR (float outputs keep the input's values), "sRGB" for the 8/10/16-bit formats (png, tif,
/// tiff, dpx, jpg, jpeg), "Rec709" (BT.1886) for movies (mov, mp4, mxf).
std::optional<std::string> defaultOutputColourSpace(const std::string& path);

/// The colour space of an input whose first frame has `spec` when no option says: its
/// oiio:ColorSpace attribute when `config` knows it, else "linear" for float and half files and
/// "sRGB" for integer ones. Without a configuration, the attribute as it stands.
std::string defaultInputColourSpace(const OIIO::ImageSpec& spec, const ColourConfig* config);

/// The conversion of colour from one space to another, ready to apply.
class ColourConversion
{
public:
    /// Chooses the conversion of a run: from the input's space (`firstSpec` is its first frame's
    /// header) to the output's (`outputPath` gives the default). Returns nothing when there is
    /// nothing to convert (same space, an EXR output with no option, no input); the configuration
    /// is loaded only when a conversion may be needed or an option names a space. Throws UsageError.
    static std::shared_ptr<const ColourConversion> choose(const ColourOptions& options,
                                                          const std::string& executablePath,
                                                          const OIIO::ImageSpec* firstSpec,
                                                          const std::string& outputPath);

    /// Converts `source` to `destination` (colour space names the config knows), or to the view
    /// `view` of display `display` when `destination` is empty.
    ColourConversion(const ColourConfig& config, const std::string& source, const std::string& destination,
                     const std::string& display = {}, const std::string& view = {});

    /// "linear -> sRGB", as the run reports it.
    const std::string& describe() const { return m_description; }

    /// Converts `count` pixels of premultiplied float RGBA, in place (see the overview for
    /// alpha). Any thread.
    void convertRGBA(float* rgba, std::size_t count) const;
    /// Converts the R, G and B channels of a decoded frame, in place. Any thread.
    void convert(SourceFrame& frame) const;

private:
    /// Converts `count` straight (not premultiplied) RGBA pixels in place.
    void apply(float* rgba, std::size_t count) const;

    OCIO_NAMESPACE::ConstCPUProcessorRcPtr m_processor;
    /// For a conversion without crosstalk between channels (a curve per channel), the processor's
    /// output for every float whose low 16 bits are zero, per channel (kTableSize each): values
    /// in between are interpolated, a few operations instead of a power function each.
    std::vector<float> m_table;
    std::string m_description;
};

} // namespace Vx::Render
