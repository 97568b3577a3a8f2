// The colour options of kestrin-render's command line, as typed (see ColourManagement.h for what
// they do), or as a composition file keeps them ("colour"). Kept apart so that the command line's
// parser and the composition file need no OpenColorIO header.
#pragma once

#include <optional>
#include <string>

namespace Vx::Render {

struct ColourOptions
{
    std::string ocio;                          ///< --ocio FILE; empty: $OCIO, else the shipped file
    std::optional<std::string> colourSpaceIn;  ///< --colorspace-in NAME
    std::optional<std::string> colourSpaceOut; ///< --colorspace-out NAME
    std::optional<std::string> display;        ///< --display D
    std::optional<std::string> view;           ///< --view V
    bool listColourSpaces = false;             ///< --list-colorspaces: print the configuration's names and exit

    /// How errors name each value: the option that gave it, or, for a value a composition file
    /// gave, the file and its key (see getRunColour).
    struct Origins
    {
        std::string ocio = "--ocio";
        std::string colourSpaceIn = "--colorspace-in";
        std::string colourSpaceOut = "--colorspace-out";
        std::string display = "--display";
        std::string view = "--view";
    };
    Origins origins;

    /// Whether an option that chooses a conversion was given.
    bool any() const { return colourSpaceIn || colourSpaceOut || display || view; }
};

} // namespace Vx::Render
