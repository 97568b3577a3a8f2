// The Slate tool's input catalogue: the input names, the four package-wide policies and the
// description the host builds every Slate node from.
#include "slateController.h"

#include <Vx/Fo/FoFontMgr.h>
#include <Vx/Pi/PiColorProcNode.h>
#include <Vx/Pi/PiEnumPolicy.h>
#include <Vx/Pi/PiImageGenerator.h>
#include <Vx/Pi/PiImageInputPolicy.h>
#include <Vx/Pi/PiInputPolicy.h>
#include <Vx/Pi/PiRangeInputPolicy.h>
#include <Vx/Pi/PiStructuredPolicyDescriptor.h>
#include <Vx/Pi/PiSwitchInputPolicy.h>

#include <limits>

namespace Vx {

namespace SlateNames {
const std::string kSubstitutedText = "Substituted Text";
const std::string kText = "Text";
const std::string kTextFont = "Text Font";
const std::string kTextStyle = "Text Style";
const std::string kTextSize = "Text Size";
const std::string kTextColor = "Text Color";
const std::string kTextOpacity = "Text Opacity";
const std::string kDropShadow = "Drop Shadow";
const std::string kDropShadowColor = "Drop Shadow Color";
const std::string kDropShadowOpacity = "Drop Shadow Opacity";
const std::string kDropShadowOffset = "Drop Shadow Offset";
const std::string kBox = "Box";
const std::string kBoxColor = "Box Color";
const std::string kBoxOpacity = "Box Opacity";
const std::string kBoxMargin = "Box Margin";
const std::string kOffset = "Offset";
const std::string kX = "X";
const std::string kY = "Y";
const std::string kHorizontalAlignment = "Horizontal Alignment";
const std::string kVerticalAlignment = "Vertical Alignment";
const std::string kOutline = "Outline";
const std::string kOutlineWidth = "Outline Width";
const std::string kOutlineColor = "Outline Color";
const std::string kOutlineOpacity = "Outline Opacity";
const std::string kDropShadowSoftness = "Drop Shadow Softness";
const std::string kStableLayout = "Stable Layout";
const std::string kSlateWidget = "Slate";
const std::string kOutputWidget = "Output";
} // namespace SlateNames

namespace {

/// "Text Font": any family name may be stored, but only one the font manager lists styles for
/// is valid. The default follows the font manager at the time it is asked, so that a system
/// whose fonts change between sessions never offers a default it no longer has.
class TextFontPolicy : public PiTypedInputPolicy<std::string>
{
public:
    TextFontPolicy() : PiTypedInputPolicy<std::string>(false) {}
    ~TextFontPolicy() override = default;

    bool isValid(const std::string& fontName) const override
    {
        return !FoFontMgr::getInstance().getFontStyles(fontName).empty();
    }
    std::string getDefault() const override { return FoFontMgr::getInstance().getDefaultFontName(); }
};

/// The largest finite float, as a double: the practical "no bound" of the tool's ranges, which the
/// processing side converts to float.
constexpr double kLargest = double(std::numeric_limits<float>::max());

RCShdPtr<const PiInputPolicy> s_fontPolicy;
RCShdPtr<const PiInputPolicy> s_stylePolicy;
RCShdPtr<const PiInputPolicy> s_horizontalPolicy;
RCShdPtr<const PiInputPolicy> s_verticalPolicy;

RCShdPtr<const PiInputPolicy> makeRange(double min, double max, double defaultValue)
{
    // Out-of-range values are clamped, and the bounds are hard: the renderer never sees a
    // negative size or an opacity above one.
    return RCShdPtr<const PiInputPolicy>(PiRangeInputPolicy<double>::create(min, max, defaultValue, true, false));
}

RCShdPtr<const PiInputPolicy> makeSwitch()
{
    return RCShdPtr<const PiInputPolicy>(PiSwitchInputPolicy::create(false, true, false));
}

} // namespace

void SlateController::describe(PiImageModifier::Descriptor& descriptor)
{
    using namespace SlateNames;
    constexpr PiSocketType::Cardinality single = PiSocketType::Single;

    {
        const RCShdPtr<const PiImageInputPolicy> primary = PiImageInputPolicy::createPrimary(3, 7, 1, 0, false);
        PiImageModifier::addSingleImageInput(descriptor, primary, single);
    }
    descriptor.stores(kSubstitutedText, PiValueType::String);
    descriptor.requires(kText, PiSocketType::String, single);
    descriptor.requires(kTextFont, PiSocketType::String, s_fontPolicy, single);
    descriptor.requires(kTextStyle, PiSocketType::Enumeration, s_stylePolicy, single);
    descriptor.requires(kTextSize, PiSocketType::Double, makeRange(0.0, 10000.0, 48.0), single);
    PiColorProcNode::describe(kTextColor, descriptor, -kLargest, kLargest, 1.0);
    descriptor.requires(kTextOpacity, PiSocketType::Double, makeRange(0.0, 1.0, 1.0), single);
    descriptor.requires(kDropShadow, PiSocketType::Switch, makeSwitch(), single);
    PiColorProcNode::describe(kDropShadowColor, descriptor, -kLargest, kLargest, 0.0);
    descriptor.requires(kDropShadowOpacity, PiSocketType::Double, makeRange(0.0, 1.0, 1.0), single);
    {
        PiStructuredPolicyDescriptor shadowOffset;
        shadowOffset.add(kX, PiSocketType::Double, makeRange(-kLargest, kLargest, 4.0), single);
        shadowOffset.add(kY, PiSocketType::Double, makeRange(-kLargest, kLargest, -4.0), single);
        descriptor.requires(kDropShadowOffset, shadowOffset, single);
    }
    descriptor.requires(kBox, PiSocketType::Switch, makeSwitch(), single);
    PiColorProcNode::describe(kBoxColor, descriptor, -kLargest, kLargest, 0.0);
    descriptor.requires(kBoxOpacity, PiSocketType::Double, makeRange(0.0, 1.0, 1.0), single);
    descriptor.requires(kBoxMargin, PiSocketType::Double, makeRange(0.0, kLargest, 8.0), single);
    {
        PiStructuredPolicyDescriptor offset;
        offset.add(kX, PiSocketType::Double, single);
        offset.add(kY, PiSocketType::Double, single);
        descriptor.requires(kOffset, offset, single);
    }
    descriptor.requires(kHorizontalAlignment, PiSocketType::Enumeration, s_horizontalPolicy, single);
    descriptor.requires(kVerticalAlignment, PiSocketType::Enumeration, s_verticalPolicy, single);

    descriptor.setMaskingMode(PiImageModifierTypes::NoMasking);
    PiImageGeneratorImp::describeInputs(descriptor);
    descriptor.setCanBeDisplayModifier(false);

    // The typography inputs come after every earlier input, which keep their places; their
    // defaults draw what the slate drew before them. Widths are in full-resolution pixels.
    descriptor.requires(kOutline, PiSocketType::Switch, makeSwitch(), single);
    descriptor.requires(kOutlineWidth, PiSocketType::Double, makeRange(0.0, 100.0, 2.0), single);
    PiColorProcNode::describe(kOutlineColor, descriptor, -kLargest, kLargest, 0.0);
    descriptor.requires(kOutlineOpacity, PiSocketType::Double, makeRange(0.0, 1.0, 1.0), single);
    descriptor.requires(kDropShadowSoftness, PiSocketType::Double, makeRange(0.0, 200.0, 0.0), single);
    descriptor.requires(kStableLayout, PiSocketType::Switch, makeSwitch(), single);
}

void SlateController::createStaticPolicies()
{
    s_fontPolicy = RCShdPtr<const PiInputPolicy>(new TextFontPolicy);

    PiEnumPolicy::Builder styles;
    for (int style = 0; style < 4; ++style)
        styles.addPair(style, FoFontMgr::getFontStyleName(style));
    // A style is a property of the chosen face, not something to animate between.
    styles.setAnimatable(false);
    styles.setDefaultValue(FoFontMgr::getInstance().getDefaultFontStyle());
    s_stylePolicy = RCShdPtr<const PiInputPolicy>(styles.create());

    PiEnumPolicy::Builder horizontal;
    horizontal.addPair(0, "Left").addPair(1, "Center").addPair(2, "Right").setDefaultValue(1);
    s_horizontalPolicy = RCShdPtr<const PiInputPolicy>(horizontal.create());

    PiEnumPolicy::Builder vertical;
    vertical.addPair(0, "Top").addPair(1, "Center").addPair(2, "Bottom").setDefaultValue(1);
    s_verticalPolicy = RCShdPtr<const PiInputPolicy>(vertical.create());
}

void SlateController::releaseStaticPolicies()
{
    s_fontPolicy.reset();
    s_stylePolicy.reset();
    s_horizontalPolicy.reset();
    s_verticalPolicy.reset();
}

} // namespace Vx
