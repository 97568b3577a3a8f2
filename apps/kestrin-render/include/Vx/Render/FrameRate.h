// Frame rates as users type them: whole numbers ("24"), decimals ("25", "12.5") and exact
// ratios ("24000/1001"). Decimals within 0.005 of a 1000/1001 rate ("23.976", "23.98", "29.97",
// "47.952", "59.94") mean that rate exactly (24000/1001, 30000/1001, ...), as video rates are
// always written rounded.
#pragma once

#include <Vx/Tm/Rational.h>

#include <string>

namespace Vx::Render {

/// The rate `text` stands for, reduced to lowest terms. Throws std::invalid_argument naming the
/// text when it is not a number or ratio, or not above zero.
Rational parseFrameRate(const std::string& text);

} // namespace Vx::Render
