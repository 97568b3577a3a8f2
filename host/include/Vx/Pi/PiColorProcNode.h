// Colour inputs: their declaration, and the processing node that carries their value.
//
// A colour input is a structure of three double members, "Red", "Green" and "Blue", each animated
// on its own. PiColorProcNode reads the three members' value nodes and yields the colour, with
// the interval over which all three hold.
#pragma once

#include <Vx/Co/CoColor.h>
#include <Vx/Pi/PiInput.h>
#include <Vx/Pi/PiToolInterface.h>
#include <Vx/Pi/PiToolPolicyDescriptor.h>
#include <Vx/Px/PxAnimValue.h>

#include <string>

namespace Vx {

class PiColorProcNode : public PxAnimValueProtocol<CoRgbColorTyped<float>>
{
public:
    /// Declares colour input `name`: each component ranges over [min, max] (out-of-range values
    /// are clamped) and starts at `defaultValue`.
    static void describe(const std::string& name, PiToolPolicyDescriptor& descriptor, double min, double max,
                         double defaultValue);
    /// The names of the three members.
    static const char* const kRed;
    static const char* const kGreen;
    static const char* const kBlue;

    /// The colour of `input`, read from the publisher's value nodes of its three members. Raises the
    /// host's null-pointer exception for a null input and std::invalid_argument for an input that
    /// is not a colour. Graph thread.
    PiColorProcNode(const Init& init, PiToolTopologyInterface::OutputPublisher& publisher,
                    const RCShdPtr<const PiInput>& input);
    ~PiColorProcNode() override;

    void init() override;
    /// The colour at `time`, each component converted to float; valid where all three hold.
    PxResult<CoRgbColorTyped<float>> getValue(double time) const override;

private:
    PxNodePtr<PxAnimValueProtocol<double> const> m_red;
    PxNodePtr<PxAnimValueProtocol<double> const> m_green;
    PxNodePtr<PxAnimValueProtocol<double> const> m_blue;
};

} // namespace Vx
