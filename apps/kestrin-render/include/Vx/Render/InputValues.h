// Input values as users write them, turned into the content of a node's inputs and back.
//
// Text (a --set value, or a JSON string in a composition file) is read by the input's type:
//   String       as typed
//   Double       a number ("36", "-0.5", "1e3")
//   Integer      a whole number
//   Switch       on/off, true/false, yes/no, 1/0 (any case)
//   Enumeration  a label of the input's choices (any case) or its code ("Bottom", "2")
//   Color        three numbers "r,g,b"; each member also by itself ("Text Color.Red=0.5")
// A JSON value may also be a number, a boolean, an [r, g, b] array, or {"keys": [[frame, value],
// ...]} for keyframes at frame numbers of the composition's rate.
//
// Every value is checked before it is written: a number outside the input's range (a whole
// number beyond what an int holds included), or a label or code that is not one of its choices, is
// an error naming the input, the value as typed and what the input accepts, even for inputs whose
// policy would silently clamp (a typo in a burn-in must not pass unnoticed). Keyframes are refused
// on inputs that do not animate, and two keyframes at one frame are an error. Errors are
// std::invalid_argument; callers prefix them with where the value came from. Main thread.
#pragma once

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>

#include <Vx/Pi/PiNode.h>
#include <Vx/Tm/Rational.h>

namespace Vx::Render {

/// Writes `value` to input `name` of `node` as a user edit. Throws std::invalid_argument for an
/// unknown input (naming the node's tool inputs to look up with --describe), an image or
/// structure input, a value of the wrong kind, out of range or not among the choices.
void assignInput(PiNode& node, const std::string& name, const nlohmann::ordered_json& value, const Rational& rate);

/// The content of `input` as a composition file stores it: a number, boolean, text or label, an
/// [r, g, b] array for a colour whose members are constant, or {"keys": [[frame, value], ...]}.
nlohmann::ordered_json formatInputContent(const PiInput& input, const Rational& rate);

/// Whether `input` holds its policy's default (for a colour: every member does).
bool holdsDefault(const PiInput& input);

/// `input` of `node` described for a user interface: {"name", "type" (as --describe names it),
/// "min"/"max" (the bounds users can run into; absent when unbounded), "soft" (the bounds only
/// guide), "choices" (labels, for a choice), "default", "value" (as formatInputContent gives it),
/// "animates"}. A colour's default and value are [r, g, b].
nlohmann::ordered_json describeInputJson(const PiNode& node, const PiInput& input, const Rational& rate);

/// Prints one line per input of `node` (name, type, range, choices, unit, default, whether it
/// animates), colours as one line, structures by their members.
void describeInputs(const PiNode& node, std::ostream& out);

} // namespace Vx::Render
