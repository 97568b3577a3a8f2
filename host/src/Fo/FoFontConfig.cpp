// Fontconfig queries of the font service: family listing, style choice and default matching.
#include "Fo/FoFontConfig.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <stdexcept>
#include <tuple>

namespace Vx {

namespace {

struct PatternDeleter
{
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
struct ObjectSetDeleter
{
    void operator()(FcObjectSet* objects) const { FcObjectSetDestroy(objects); }
};
struct FontSetDeleter
{
    void operator()(FcFontSet* fonts) const { FcFontSetDestroy(fonts); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;
using ObjectSetPtr = std::unique_ptr<FcObjectSet, ObjectSetDeleter>;
using FontSetPtr = std::unique_ptr<FcFontSet, FontSetDeleter>;

const FcChar8* toFc(const std::string& text)
{
    return reinterpret_cast<const FcChar8*>(text.c_str());
}

PatternPtr newPattern()
{
    PatternPtr pattern(FcPatternCreate());
    if (!pattern)
        throw std::bad_alloc();
    return pattern;
}

// The faces fontconfig lists for `pattern`, with the properties in `objects`.
FontSetPtr listFonts(FcConfig* config, FcPattern* pattern, ObjectSetPtr objects)
{
    if (!objects)
        throw std::bad_alloc();
    FontSetPtr fonts(FcFontList(config, pattern, objects.get()));
    if (!fonts)
        throw std::runtime_error("Fontconfig could not list the installed fonts.");
    return fonts;
}

int getInteger(const FcPattern* pattern, const char* object, int fallback)
{
    int value = 0;
    return FcPatternGetInteger(pattern, object, 0, &value) == FcResultMatch ? value : fallback;
}

bool hasFamily(const FcPattern* pattern, const std::string& family)
{
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        if (FcStrCmpIgnoreCase(name, toFc(family)) == 0)
            return true;
    }
    return false;
}

// Sorting key of a face for one style: smaller is better.
struct StyleRank
{
    bool unusualWeight;
    int widthDistance;
    int weightDistance;
    int slantDistance;
    const std::string* file;
    long index;

    bool operator<(const StyleRank& o) const
    {
        return std::tie(unusualWeight, widthDistance, weightDistance, slantDistance, *file, index) <
               std::tie(o.unusualWeight, o.widthDistance, o.weightDistance, o.slantDistance, *o.file, o.index);
    }
};

StyleRank rankFor(const FoFaceCandidate& face, bool bold)
{
    const int low = bold ? FC_WEIGHT_DEMIBOLD : FC_WEIGHT_BOOK;
    const int high = bold ? FC_WEIGHT_EXTRABOLD : FC_WEIGHT_MEDIUM;
    const int target = bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR;
    return {face.weight < low || face.weight > high,
            std::abs(face.width - FC_WIDTH_NORMAL),
            std::abs(face.weight - target),
            face.slant == FC_SLANT_ROMAN ? 0 : std::abs(face.slant - FC_SLANT_ITALIC),
            &face.source.file,
            face.source.index};
}

} // namespace

FoStyleFaces chooseStyleFaces(const std::vector<FoFaceCandidate>& faces)
{
    FoStyleFaces chosen;
    std::array<std::optional<StyleRank>, 4> best;
    for (const FoFaceCandidate& face : faces) {
        const bool bold = face.weight >= FC_WEIGHT_DEMIBOLD;
        const bool italic = face.slant >= FC_SLANT_ITALIC;
        const int style = (bold ? 1 : 0) + (italic ? 2 : 0);
        const StyleRank rank = rankFor(face, bold);
        if (!best[style] || rank < *best[style]) {
            best[style] = rank;
            chosen[style] = face.source;
        }
    }
    return chosen;
}

FoFontConfig::FoFontConfig() : m_config(FcInitLoadConfigAndFonts())
{
    if (!m_config)
        throw std::runtime_error("Fontconfig could not load its configuration and the list of installed fonts.");
}

std::vector<std::string> FoFontConfig::listFamilies() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const PatternPtr all = newPattern();
    const FontSetPtr fonts = listFonts(m_config.get(), all.get(), ObjectSetPtr(FcObjectSetBuild(FC_FAMILY, nullptr)));

    std::set<std::string> families;
    for (int f = 0; f < fonts->nfont; ++f) {
        FcChar8* name = nullptr;
        for (int i = 0; FcPatternGetString(fonts->fonts[f], FC_FAMILY, i, &name) == FcResultMatch; ++i)
            families.insert(reinterpret_cast<const char*>(name));
    }
    return {families.begin(), families.end()};
}

FoStyleFaces FoFontConfig::findStyleFaces(const std::string& family) const
{
    std::vector<FoFaceCandidate> candidates;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const PatternPtr pattern = newPattern();
        FcPatternAddString(pattern.get(), FC_FAMILY, toFc(family));
        const FontSetPtr fonts = listFonts(m_config.get(), pattern.get(),
                                           ObjectSetPtr(FcObjectSetBuild(FC_FAMILY, FC_FILE, FC_INDEX, FC_WEIGHT,
                                                                         FC_SLANT, FC_WIDTH, FC_VARIABLE, nullptr)));
        for (int f = 0; f < fonts->nfont; ++f) {
            const FcPattern* font = fonts->fonts[f];
            // fontconfig also ignores blanks when it compares families; keep only true matches.
            if (!hasFamily(font, family))
                continue;
            // A variable font is listed once as a whole (its weight a range) and once per named
            // instance; the instances are the faces to choose from.
            FcBool variable = FcFalse;
            if (FcPatternGetBool(font, FC_VARIABLE, 0, &variable) == FcResultMatch && variable)
                continue;
            FcChar8* file = nullptr;
            if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch)
                continue;
            FoFaceCandidate candidate;
            candidate.source.file = reinterpret_cast<const char*>(file);
            candidate.source.index = getInteger(font, FC_INDEX, 0);
            candidate.weight = getInteger(font, FC_WEIGHT, FC_WEIGHT_REGULAR);
            candidate.slant = getInteger(font, FC_SLANT, FC_SLANT_ROMAN);
            candidate.width = getInteger(font, FC_WIDTH, FC_WIDTH_NORMAL);
            candidates.push_back(std::move(candidate));
        }
    }
    return chooseStyleFaces(candidates);
}

std::string FoFontConfig::matchFamily(const std::string& patternText) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    PatternPtr pattern(FcNameParse(toFc(patternText)));
    if (!pattern)
        return {};
    FcConfigSubstitute(m_config.get(), pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    const PatternPtr match(FcFontMatch(m_config.get(), pattern.get(), &result));
    FcChar8* family = nullptr;
    if (!match || FcPatternGetString(match.get(), FC_FAMILY, 0, &family) != FcResultMatch)
        return {};
    return reinterpret_cast<const char*>(family);
}

std::vector<FoFallbackFont> FoFontConfig::sortFallbacks(const std::string& family, int style) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const PatternPtr pattern = newPattern();
    FcPatternAddString(pattern.get(), FC_FAMILY, toFc(family));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, (style & 1) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, (style & 2) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(m_config.get(), pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    // Untrimmed: a font that adds nothing to the ones before it may still be the only one whose
    // file opens.
    const FontSetPtr fonts(FcFontSort(m_config.get(), pattern.get(), FcFalse, nullptr, &result));
    std::vector<FoFallbackFont> sorted;
    if (!fonts)
        return sorted;
    for (int f = 0; f < fonts->nfont; ++f) {
        const FcPattern* font = fonts->fonts[f];
        FcChar8* file = nullptr;
        FcCharSet* charset = nullptr;
        if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch ||
            FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) != FcResultMatch || !charset)
            continue;
        FoFallbackFont fallback;
        fallback.source.file = reinterpret_cast<const char*>(file);
        fallback.source.index = getInteger(font, FC_INDEX, 0);
        fallback.charset.reset(FcCharSetCopy(charset));
        sorted.push_back(std::move(fallback));
    }
    return sorted;
}

} // namespace Vx
