// The colour options of kestrin-render's command line, as typed (see ColourManagement.h for what
// they do). Kept apart so that the command line's parser needs no OpenColorIO header.
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

    /// Whether an option that chooses a conversion was given.
    bool any() const { return colourSpaceIn || colourSpaceOut || display || view; }
};

} // namespace Vx::Render
