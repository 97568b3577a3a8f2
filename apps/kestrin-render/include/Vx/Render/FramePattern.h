// File names of image sequences: a pattern with one frame-number token, turned into the path of
// any frame.
//
// Accepted tokens, one per pattern:
//   #        four digits (a lone hash)
//   ##...#   as many digits as hashes when there are two or more (#### is four digits)
//   @@@      one digit per at sign
//   %d %04d  printf style, the number after the 0 giving the digits
// Numbers are padded as printf pads them: the width counts a minus sign, so frame -5 with four
// digits is "-005", and wider numbers are never cut. "%%" stands for a literal percent sign.
// Padding goes up to kMaxPadding, the width of the longest frame number (FrameRange's twelve
// digits and a sign); a wider one is refused, as it would only add zeros.
// Parsed once on the calling thread; path() is const and callable from any thread.
#pragma once

#include <cstdint>
#include <string>

namespace Vx::Render {

/// What a pattern names, used to start its error messages ("Output pattern ...").
enum class FramePatternRole
{
    Input,
    Output,
};

class FramePattern
{
public:
    /// The widest padding a pattern may ask for.
    static constexpr int kMaxPadding = 13;

    /// Parses `pattern`. Throws std::invalid_argument naming the pattern when it has no frame
    /// number token, more than one, a printf conversion other than %d / %0Nd, or padding wider
    /// than kMaxPadding.
    explicit FramePattern(const std::string& pattern, FramePatternRole role = FramePatternRole::Input);

    /// A movie input: one file holding every frame, whose path() is the file for any frame.
    static FramePattern movie(const std::string& path);
    /// An input pattern, or a movie when `text` names one (see isMovieInputPath).
    static FramePattern input(const std::string& text);
    bool isMovie() const { return m_movie; }

    /// The path of frame `frame` (any 64-bit integer, negative frames included), never cut.
    std::string path(std::int64_t frame) const;

    /// The pattern as given.
    const std::string& text() const { return m_text; }
    /// Digits the frame number is padded to.
    int padding() const { return m_padding; }
    /// The text before and after the frame number, with "%%" already turned into "%".
    const std::string& prefix() const { return m_prefix; }
    const std::string& suffix() const { return m_suffix; }
    FramePatternRole role() const { return m_role; }

private:
    std::string m_text;
    std::string m_prefix;
    std::string m_suffix;
    int m_padding = 4;
    FramePatternRole m_role;
    bool m_movie = false;
};

/// "Input pattern" or "Output pattern": how messages name a pattern of that role.
const char* describeRole(FramePatternRole role);

} // namespace Vx::Render
