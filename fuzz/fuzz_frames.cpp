// Frame patterns and frame ranges: the input is tried as a file pattern (both roles) and as a
// range. A pattern that parses must name every frame with its prefix, the frame number padded
// as printf pads it (and readable back as that number) and its suffix; a range that parses holds
// at least one frame, within the frame-number bounds, and its ends are its first and last frames.
#include "FuzzHost.h"

#include <Vx/Render/FramePattern.h>
#include <Vx/Render/FrameRange.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

using namespace Vx::Render;
using Vx::Fuzz::check;

void checkPattern(const std::string& text, FramePatternRole role)
{
    std::optional<FramePattern> pattern;
    try {
        pattern.emplace(text, role);
    } catch (const std::invalid_argument&) {
        return;
    }
    for (const std::int64_t frame :
         {std::int64_t(0), std::int64_t(1001), std::int64_t(-5), std::int64_t(std::numeric_limits<int>::max()),
          std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()}) {
        const std::string path = pattern->path(frame);
        const std::string& prefix = pattern->prefix();
        const std::string& suffix = pattern->suffix();
        check(path.size() >= prefix.size() + suffix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
                  path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0,
              "the path of frame " + std::to_string(frame) + " of \"" + text + "\" is not prefix, number, suffix: \"" +
                  path + "\"");
        const std::string digits = path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
        const std::string plain = std::to_string(frame);
        check(digits.size() >= std::size_t(pattern->padding()) && digits.size() >= plain.size(),
              "frame " + std::to_string(frame) + " of \"" + text + "\" is written \"" + digits + "\", shorter than " +
                  std::to_string(pattern->padding()) + " digits or than the number");
        std::size_t used = 0;
        long long back = 0;
        try {
            back = std::stoll(digits, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        check(used == digits.size() && back == frame,
              "frame " + std::to_string(frame) + " of \"" + text + "\" is written \"" + digits + "\"");
    }
}

void checkRange(const std::string& text)
{
    try {
        const FrameRange range = FrameRange::parse(text);
        check(range.size() >= 1, "the range \"" + text + "\" holds no frame");
        check(range.first() == range.at(0) && range.last() == range.at(range.size() - 1),
              "first and last of \"" + text + "\" are not its ends");
        check(range.lowest() <= range.highest() && range.lowest() >= -FrameRange::kMaxFrameNumber &&
                  range.highest() <= FrameRange::kMaxFrameNumber,
              "the frames of \"" + text + "\" leave the frame-number bounds");
        for (const std::uint64_t index : {std::uint64_t(0), range.size() / 2, range.size() - 1}) {
            const std::int64_t frame = range.at(index);
            check(range.contains(frame) && frame >= range.lowest() && frame <= range.highest(),
                  "frame " + std::to_string(frame) + " of \"" + text + "\" is not within the range");
        }
    } catch (const std::invalid_argument&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkPattern(text, FramePatternRole::Input);
    checkPattern(text, FramePatternRole::Output);
    checkRange(text);
    return 0;
}
