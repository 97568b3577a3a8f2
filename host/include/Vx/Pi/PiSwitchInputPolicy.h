// An on/off input.
#pragma once

#include <Vx/Pi/PiInputPolicy.h>

namespace Vx {

class PiSwitchInputPolicy : public PiTypedInputPolicy<bool>
{
public:
    /// A switch that starts at `defaultValue`; `animatable`: whether it may be keyframed (stepped);
    /// `hidden`: whether user interfaces hide it.
    static RCShdPtr<const PiSwitchInputPolicy> create(bool defaultValue, bool animatable, bool hidden);

    bool getDefault() const override { return m_default; }
    bool isHidden() const override { return m_hidden; }
    std::vector<bool> getDomain() const override { return {false, true}; }
    std::string getDomainLabel(const bool& value) const override { return value ? "On" : "Off"; }
    std::vector<std::string> getDomainLabels() const override { return {"Off", "On"}; }

private:
    PiSwitchInputPolicy(bool defaultValue, bool animatable, bool hidden)
        : PiTypedInputPolicy<bool>(animatable), m_default(defaultValue), m_hidden(hidden)
    {
    }

    bool m_default;
    bool m_hidden;
};

} // namespace Vx
