// Frame rates and timecodes. The input is split at its first line feed: the text before it is
// parsed as a frame rate as users type it; the bytes after it give a rate as raw numbers and
// frame counts. Every rate that parses is above zero and in lowest terms; every valid rate
// makes a timecode formatter unless above 1000000 frames a second; every timecode is
// [-]HH:MM:SS:FF (';' before the frames when drop-frame) with hours below 24, minutes and
// seconds below 60 and frames below the nominal rate. At a typed rate, frames and seconds
// convert both ways, and the length of a range counts its frames.
#include "FuzzHost.h"

#include <Vx/Li/LiTimeCode.h>
#include <Vx/Render/FrameRate.h>
#include <Vx/Tm/TmTimeUtil.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

namespace {

using namespace Vx;
using Vx::Fuzz::check;

std::string describe(const Rational& rate)
{
    std::ostringstream out;
    out << rate;
    return out.str();
}

int field(const std::string& text, std::size_t at)
{
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

void checkTimeCode(const LiTimeCode& timeCode, std::int64_t frames)
{
    const std::string text = timeCode.toString(DtTime{frames, timeCode.getRate()});
    const std::string where =
        "frame " + std::to_string(frames) + " at " + describe(timeCode.getRate()) + ": \"" + text + "\"";
    const std::size_t sign = frames < 0 ? 1 : 0;
    check(text.size() >= sign + 11 && (sign == 0 || text[0] == '-'), "malformed timecode of " + where);
    const std::string body = text.substr(sign);
    for (std::size_t i = 0; i < body.size(); ++i) {
        const bool separator = i == 2 || i == 5 || i == 8;
        const char expected = i == 8 && timeCode.isDropFrame() ? ';' : ':';
        check(separator ? body[i] == expected : (body[i] >= '0' && body[i] <= '9'), "malformed timecode of " + where);
    }
    const std::size_t widest = std::max<std::size_t>(2, std::to_string(timeCode.getNominalRate() - 1).size());
    check(body.size() >= 11 && body.size() <= 9 + widest, "frame field wider than the nominal rate in " + where);
    const int frameField = std::stoi(body.substr(9));
    check(field(body, 0) < 24 && field(body, 3) < 60 && field(body, 6) < 60 && frameField < timeCode.getNominalRate(),
          "field out of range in " + where);
}

/// `typed`: the rate came from parseFrameRate, as every rate kestrin-render counts with does.
void checkRate(const Rational& rate, std::int64_t frames, bool typed)
{
    std::optional<LiTimeCode> timeCode;
    try {
        timeCode.emplace(rate, 0);
    } catch (const std::invalid_argument&) {
        check(!rate.isValid() || std::round(rate.toDouble()) > 1000000.0, "a valid rate refused: " + describe(rate));
        return;
    }
    checkTimeCode(*timeCode, frames);
    checkTimeCode(LiTimeCode(rate, 1), frames);

    if (!typed)
        return;
    // Frames to seconds and back land on the same frame within the production range.
    if (frames >= -10'000'000 && frames <= 10'000'000) {
        const double seconds = TmTimeUtil::getSecondsFromFrames(rate, frames);
        try {
            const DtTime back = TmTimeUtil::getDtTimeFromSeconds(rate, seconds);
            check(back.getFrameCount() == frames, "frame " + std::to_string(frames) + " at " + describe(rate) +
                                                      " comes back as " + std::to_string(back.getFrameCount()));
        } catch (const std::invalid_argument&) {
        }
    }
    const DtTime start{0, rate};
    const DtTime end{frames, rate};
    check((end - start).getFrameCount() == frames, "the length of a range at " + describe(rate));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string all(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = all.find('\n');
    const std::string text = all.substr(0, newline);
    FuzzedDataProvider raw(data + text.size(), size - text.size());
    const std::int64_t frames = raw.ConsumeIntegral<std::int64_t>();

    try {
        const Rational rate = Render::parseFrameRate(text);
        check(rate.num > 0 && rate.den > 0 && std::gcd(rate.num, rate.den) == 1,
              "the rate \"" + text + "\" parses as " + describe(rate));
        checkRate(rate, frames, true);
    } catch (const std::invalid_argument&) {
    }
    const Rational rawRate(raw.ConsumeIntegral<std::int64_t>(), raw.ConsumeIntegral<std::int64_t>());
    checkRate(rawRate, raw.ConsumeIntegral<std::int64_t>(), false);
    return 0;
}
