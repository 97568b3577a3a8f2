// SMPTE timecodes. A frame count is first turned into the number of the label it carries in
// nominal counting (where every second has the nominal number of frame labels), which for
// drop-frame means adding back the frame numbers skipped so far; the label number then splits
// into hours, minutes, seconds and frames like any non-drop count.
#include <Vx/Li/LiTimeCode.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <sstream>
#include <stdexcept>

namespace Vx {

namespace {

Rational reduced(const Rational& rate)
{
    const std::int64_t divisor = std::gcd(rate.num, rate.den);
    return Rational(rate.num / divisor, rate.den / divisor);
}

void checkRate(const Rational& rate)
{
    if (!rate.isValid()) {
        std::ostringstream message;
        message << "The frame rate " << rate
                << " cannot count a timecode: its numerator and denominator must both be positive.";
        throw std::invalid_argument(message.str());
    }
}

int nominalRateOf(const Rational& rate)
{
    // Rates below half a frame a second would round to no frames at all; they count one.
    const double nominal = std::round(rate.toDouble());
    if (nominal > 1000000.0) {
        std::ostringstream message;
        message << "The frame rate " << rate
                << " is too high to count a timecode: at most 1000000 frames a second can be counted.";
        throw std::invalid_argument(message.str());
    }
    return std::max(1, static_cast<int>(nominal));
}

bool isDropFrameRate(const Rational& rate)
{
    const Rational r = reduced(rate);
    return (r.num == 30000 && r.den == 1001) || (r.num == 60000 && r.den == 1001);
}

void appendField(std::string& text, std::uint64_t value)
{
    char digits[24];
    std::snprintf(digits, sizeof(digits), "%02llu", static_cast<unsigned long long>(value));
    text += digits;
}

} // namespace

LiTimeCode::LiTimeCode(const Rational& rate, int flags) : m_rate(rate), m_nominal(0), m_dropFrame(false)
{
    checkRate(rate);
    m_nominal = nominalRateOf(rate);
    m_dropFrame = flags == 0 && isDropFrameRate(rate);
}

std::string LiTimeCode::toString(const DtTime& time) const
{
    const std::int64_t count = time.getFrameCount();
    // The magnitude in unsigned arithmetic, so that the most negative count has one too.
    const std::uint64_t magnitude =
        count < 0 ? std::uint64_t(0) - static_cast<std::uint64_t>(count) : static_cast<std::uint64_t>(count);

    const std::uint64_t nominal = static_cast<std::uint64_t>(m_nominal);
    const std::uint64_t labelsPerMinute = nominal * 60;
    const std::uint64_t labelsPerDay = labelsPerMinute * 60 * 24;

    std::uint64_t label = magnitude;
    if (m_dropFrame) {
        // 2 frame numbers at 29.97, 4 at 59.94, at the start of each minute but every tenth.
        const std::uint64_t dropped = nominal / 15;
        const std::uint64_t framesPerDroppedMinute = labelsPerMinute - dropped;
        const std::uint64_t framesPerTenMinutes = labelsPerMinute + 9 * framesPerDroppedMinute;
        const std::uint64_t tens = magnitude / framesPerTenMinutes;
        const std::uint64_t inTens = magnitude % framesPerTenMinutes;
        // Only the days matter (hours wrap at 24), and whole days of ten-minute blocks carry
        // whole days of labels, so the block count is reduced first to keep the sum in range.
        const std::uint64_t tensPerDay = 6 * 24;
        label = (tens % tensPerDay) * labelsPerMinute * 10;
        if (inTens < labelsPerMinute) {
            label += inTens;
        } else {
            const std::uint64_t afterFirst = inTens - labelsPerMinute;
            const std::uint64_t minute = 1 + afterFirst / framesPerDroppedMinute;
            label += minute * labelsPerMinute + dropped + afterFirst % framesPerDroppedMinute;
        }
    }
    label %= labelsPerDay;

    std::string text;
    text.reserve(13);
    if (count < 0)
        text += '-';
    appendField(text, label / (labelsPerMinute * 60));
    text += ':';
    appendField(text, label / labelsPerMinute % 60);
    text += ':';
    appendField(text, label / nominal % 60);
    text += m_dropFrame ? ';' : ':';
    appendField(text, label % nominal);
    return text;
}

std::int64_t LiTimeCode::toFrameCount(const std::string& text) const
{
    const std::string quotedText = "\"" + text + "\"";
    const auto digit = [&](std::size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    const bool shaped = text.size() == 11 && digit(0) && digit(1) && text[2] == ':' && digit(3) && digit(4) &&
                        text[5] == ':' && digit(6) && digit(7) && (text[8] == ':' || text[8] == ';') && digit(9) &&
                        digit(10);
    if (!shaped)
        throw std::invalid_argument("The timecode " + quotedText +
                                    " is not written HH:MM:SS:FF (or HH:MM:SS;FF for drop-frame): two digits each "
                                    "for hours, minutes, seconds and frames.");
    const auto field = [&](std::size_t i) { return (text[i] - '0') * 10 + (text[i + 1] - '0'); };
    const std::int64_t hours = field(0);
    const std::int64_t minutes = field(3);
    const std::int64_t seconds = field(6);
    const std::int64_t frames = field(9);
    if (hours > 23)
        throw std::invalid_argument("The timecode " + quotedText + " has " + std::to_string(hours) +
                                    " hours: hours go from 00 to 23.");
    if (minutes > 59)
        throw std::invalid_argument("The timecode " + quotedText + " has " + std::to_string(minutes) +
                                    " minutes: minutes go from 00 to 59.");
    if (seconds > 59)
        throw std::invalid_argument("The timecode " + quotedText + " has " + std::to_string(seconds) +
                                    " seconds: seconds go from 00 to 59.");
    if (frames >= m_nominal)
        throw std::invalid_argument("The timecode " + quotedText + " has frame " + std::to_string(frames) +
                                    ": frames go from 00 to " + std::to_string(m_nominal - 1) + " at " +
                                    std::to_string(m_nominal) + " frames a second.");
    if (text[8] == ';' && !m_dropFrame)
        throw std::invalid_argument("The timecode " + quotedText +
                                    " is written drop-frame (';'), but this count is non-drop-frame: write "
                                    "HH:MM:SS:FF.");
    const std::int64_t totalMinutes = hours * 60 + minutes;
    const std::int64_t label = (totalMinutes * 60 + seconds) * m_nominal + frames;
    if (!m_dropFrame)
        return label;
    const std::int64_t dropped = m_nominal / 15;
    if (seconds == 0 && frames < dropped && minutes % 10 != 0)
        throw std::invalid_argument("The timecode " + quotedText +
                                    " does not exist in drop-frame counting: frames 00 to " +
                                    (dropped - 1 < 10 ? "0" : "") + std::to_string(dropped - 1) +
                                    " are skipped at the start of every minute that is not a multiple of ten.");
    return label - dropped * (totalMinutes - totalMinutes / 10);
}

LiTimeCodeFactory& LiTimeCodeFactory::getInstance()
{
    static LiTimeCodeFactory factory;
    return factory;
}

RCShdPtr<LiTimeCode> LiTimeCodeFactory::createTimeCode(const Rational& rate, int flags)
{
    checkRate(rate);
    const Rational key = reduced(rate);
    const auto cacheKey = std::make_pair(std::make_pair(key.num, key.den), flags);
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_cache.find(cacheKey);
    if (found != m_cache.end())
        return found->second;
    // Made from the reduced rate, so that the shared formatter does not depend on which of the
    // equal rates asked first.
    RCShdPtr<LiTimeCode> timeCode = makeShared<LiTimeCode>(key, flags);
    m_cache.emplace(cacheKey, timeCode);
    return timeCode;
}

} // namespace Vx
