// A message on its way to the user: an id, a severity and the values for the id's text.
//
// The caller makes a message (usually a MsgWarning from its tool's MsgSubscription), gives it
// its values in order with substitute(), and display()s it. The text is looked up in the
// MsgServer when the message is displayed and its numbered placeholders are replaced:
//
// - "%1" is the first value given, "%2" the second, and so on: a placeholder is "%" followed by
//   a run of decimal digits not starting with 0, so the order of the placeholders in the text is
//   free ("%2 before %1"), and a placeholder may appear more than once.
// - "%%" stands for one "%"; a "%" followed by anything else is kept as it is.
// - A placeholder without a value (fewer values than placeholders) stays in the text as written
//   ("%2"), so the gap shows; values that no placeholder uses are left out of the text.
// - Values are inserted as they are: a "%1" inside a value is not replaced again.
// - When no text is known for the id, the message shows the id followed by its values, quoted,
//   in parentheses: EXAMPLE_ERR_INVALID_STYLE ("Bold", "Arial").
//
// A message is a value used by one thread at a time; display() may be called from any thread.
#pragma once

#include <Vx/Msg/MsgSink.h>

#include <string>
#include <vector>

namespace Vx {

class MsgProtocol
{
public:
    /// A message of `severity` with the text of `id`, no values yet.
    MsgProtocol(std::string id, MsgSeverity severity);
    virtual ~MsgProtocol();

    /// Appends the value for the next placeholder: the first call gives "%1", the second "%2".
    /// Returns the message itself, so that calls can be chained.
    MsgProtocol& substitute(const std::string& value);

    /// Sends the finished text (getText) with the id and severity to the server's sink.
    void display() const;

    /// The finished text: the id's text from the MsgServer with the values in place, or the id
    /// and its values when the server knows no text for the id.
    std::string getText() const;

    const std::string& getId() const noexcept { return m_id; }

    /// Replaces the numbered placeholders of `text` by `values` following the rules above.
    static std::string format(const std::string& text, const std::vector<std::string>& values);
    /// The stand-in for a message without text: `id` and the quoted values in parentheses.
    static std::string formatWithoutText(const std::string& id, const std::vector<std::string>& values);

private:
    std::string m_id;
    MsgSeverity m_severity;
    std::vector<std::string> m_substitutions;
};

} // namespace Vx
