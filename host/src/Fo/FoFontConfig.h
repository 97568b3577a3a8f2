// The system's font configuration as the font service sees it: the installed families and, for
// one family, the font file that serves each of the four styles.
//
// FoFontConfig owns one fontconfig configuration, loaded with its font list when the font manager
// is made; every query runs under its mutex. Only the manager's slow paths call it: once a family
// is resolved, fonts are found in the manager's own tables.
//
// Families are matched without regard to case, as fontconfig compares them ("dejavu sans" finds
// "DejaVu Sans"), but otherwise exactly: fontconfig's habit of also ignoring blanks is not
// followed, so "DejaVuSans" is no family.
#pragma once

#include <fontconfig/fontconfig.h>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace Vx {

/// Where a face lives: a font file and the face inside it, as fontconfig names them (FC_FILE,
/// FC_INDEX; the index may carry a named instance of a variable font in its upper bits).
struct FoFaceSource
{
    std::string file;
    long index = 0;

    friend bool operator==(const FoFaceSource& a, const FoFaceSource& b)
    {
        return a.file == b.file && a.index == b.index;
    }
};

/// One face of a family with the properties that decide its style, on fontconfig's scales.
struct FoFaceCandidate
{
    FoFaceSource source;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    int width = FC_WIDTH_NORMAL;
};

/// A font of a family's fallback list: where it lives and the characters it has.
struct FoFallbackFont
{
    struct CharSetDeleter
    {
        void operator()(FcCharSet* set) const { FcCharSetDestroy(set); }
    };

    FoFaceSource source;
    std::unique_ptr<FcCharSet, CharSetDeleter> charset; ///< never null in a list

    bool hasChar(std::uint32_t code) const { return FcCharSetHasChar(charset.get(), code) == FcTrue; }
};

/// The face of each style, indexed by FoFontMgr::FontStyle; empty for a style the family lacks.
using FoStyleFaces = std::array<std::optional<FoFaceSource>, 4>;

/// Chooses among the faces of one family the face of each style.
///
/// A face is bold when its weight is at least FC_WEIGHT_DEMIBOLD, italic when its slant is italic
/// or oblique. Among the faces of one style the choice goes, in this order, to a weight in the
/// style's usual range (Book to Medium for the upright and italic styles, DemiBold to ExtraBold
/// for the bold ones), to the width nearest normal, to the weight nearest Regular or Bold, to
/// italic before oblique, and last to the file name and index so that the listing order does not
/// matter. Condensed, expanded, light and black faces therefore serve a style only when the family
/// has no usual face for it: "DejaVu Sans" Regular is DejaVuSans.ttf, not its ExtraLight or
/// Condensed faces, while a family made of light faces only ("DejaVu Sans Light") has its light
/// face as Regular.
FoStyleFaces chooseStyleFaces(const std::vector<FoFaceCandidate>& faces);

class FoFontConfig
{
public:
    /// Loads fontconfig's configuration and font list. Throws std::runtime_error when it cannot.
    FoFontConfig();

    FoFontConfig(const FoFontConfig&) = delete;
    FoFontConfig& operator=(const FoFontConfig&) = delete;

    /// Every family name of every installed face, sorted and without repeats. A face with several
    /// names (DejaVuSansCondensed.ttf is "DejaVu Sans" and "DejaVu Sans Condensed") adds each.
    std::vector<std::string> listFamilies() const;

    /// The faces of `family` (matched without regard to case), styles chosen by chooseStyleFaces;
    /// every style empty for a family that is not installed.
    FoStyleFaces findStyleFaces(const std::string& family) const;

    /// The family of the font fontconfig matches first for the pattern `pattern` ("sans-serif"),
    /// after its substitutions; empty when no font matches.
    std::string matchFamily(const std::string& pattern) const;

    /// Every installed font in the order fontconfig ranks them for `family` in `style` (a
    /// FoFontMgr::FontStyle code; FcFontSort after the configuration's substitutions), each with
    /// its character set. The first of them that has a character is the one to draw it with.
    std::vector<FoFallbackFont> sortFallbacks(const std::string& family, int style) const;

private:
    struct ConfigDeleter
    {
        void operator()(FcConfig* config) const { FcConfigDestroy(config); }
    };

    std::unique_ptr<FcConfig, ConfigDeleter> m_config;
    mutable std::mutex m_mutex;
};

} // namespace Vx
