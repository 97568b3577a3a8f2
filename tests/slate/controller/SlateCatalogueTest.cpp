// The input catalogue: what SlateController::describe declares, in which order, with which
// policies (one row per input: kind, range, default, labels). (The masking mode and the release of
// the package-wide policies: the plug-in test.)
#include "SlateControllerTestSupport.h"

#include <Vx/Fo/FoFontMgr.h>
#include <Vx/Pi/PiEnumPolicy.h>
#include <Vx/Pi/PiImageGenerator.h>
#include <Vx/Pi/PiImageInputPolicy.h>
#include <Vx/Pi/PiRangeInputPolicy.h>
#include <Vx/Pi/PiStructuredPolicyDescriptor.h>
#include <Vx/Pi/PiSwitchInputPolicy.h>

#include <limits>
#include <sstream>

namespace Vx::test {
namespace {

using G = PiImageGenerator;

/// Creates and releases the package-wide policies around each test, as package initialisation
/// and termination do.
class SlateCatalogueTest : public ::testing::Test
{
protected:
    void SetUp() override { SlateController::createStaticPolicies(); }
    void TearDown() override { SlateController::releaseStaticPolicies(); }

    static std::vector<PiToolPolicyDescriptor::PolicyEntry> describeEntries()
    {
        PiImageModifier::Descriptor descriptor;
        SlateController::describe(descriptor);
        std::vector<PiToolPolicyDescriptor::PolicyEntry> entries;
        for (auto entry = descriptor.getPolicies(); !entry.atEnd(); ++entry)
            entries.push_back(*entry);
        return entries;
    }
};

std::string bound(double value)
{
    const double F = double(std::numeric_limits<float>::max());
    return value == F ? "F" : value == -F ? "-F" : (std::ostringstream() << value).str();
}

/// One policy as a line: kind, range (with "soft"/"noclamp" where it is so), labels, default,
/// and "anim" when it animates; structures as their members in braces.
std::string describePolicy(const PiInputPolicy& policy, PiSocketType socket)
{
    std::ostringstream out;
    out << socket.getName();
    if (const auto* structure = dynamic_cast<const PiStructuredInputPolicy*>(&policy)) {
        out << " {";
        for (const auto& member : structure->getMembers())
            out << " " << member.name << ": " << describePolicy(*member.policy, member.policy->getSocketType()) << ";";
        out << " }";
        return out.str();
    }
    if (const auto* range = dynamic_cast<const PiRangeInputPolicy<double>*>(&policy))
        out << " [" << bound(range->getMin()) << ", " << bound(range->getMax()) << "]"
            << (range->hasSoftBounds() ? " soft" : "") << (range->clampsOutOfRange() ? "" : " noclamp");
    if (const auto* choices = dynamic_cast<const PiEnumPolicy*>(&policy)) {
        out << " ";
        for (const auto& [code, label] : choices->getPairs())
            out << code << "=" << label << ",";
    }
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>)
                out << " \"" << v << "\"";
            else if constexpr (std::is_same_v<T, PxImageFormat>)
                out << " " << v.width << "x" << v.height;
            else
                out << " " << v;
        },
        policy.getDefaultValue());
    out << (policy.canAnimate() ? " anim" : "") << (policy.isHidden() ? " hidden" : "");
    return out.str();
}

TEST_F(SlateCatalogueTest, DeclaresEveryInputInOrderWithItsKindRangeDefaultAndLabels)
{
    const std::string style = std::to_string(FoFontMgr::getInstance().getDefaultFontStyle());
    const std::string font = FoFontMgr::getInstance().getDefaultFontName();
    const std::string offset = "Structured { X: Double 0 anim; Y: Double 0 anim; }";
    const std::vector<std::pair<std::string, std::string>> expected = {
        {PiImageInputPolicy::getPrimaryInputName(), ""},
        {"Substituted Text", ""},
        {"Text", "String \"\" anim"},
        {"Text Font", "String \"" + font + "\""},
        {"Text Style", "Enumeration 0=Regular,1=Bold,2=Italic,3=Bold Italic, " + style},
        {"Text Size", "Double [0, 10000] 48 anim"},
        {"Text Color",
         "Color { Red: Double [-F, F] 1 anim; Green: Double [-F, F] 1 anim; Blue: Double [-F, F] 1 anim; }"},
        {"Text Opacity", "Double [0, 1] 1 anim"},
        {"Drop Shadow", "Switch 0 anim"},
        {"Drop Shadow Color",
         "Color { Red: Double [-F, F] 0 anim; Green: Double [-F, F] 0 anim; Blue: Double [-F, F] 0 anim; }"},
        {"Drop Shadow Opacity", "Double [0, 1] 1 anim"},
        {"Drop Shadow Offset", "Structured { X: Double [-F, F] 4 anim; Y: Double [-F, F] -4 anim; }"},
        {"Box", "Switch 0 anim"},
        {"Box Color",
         "Color { Red: Double [-F, F] 0 anim; Green: Double [-F, F] 0 anim; Blue: Double [-F, F] 0 anim; }"},
        {"Box Opacity", "Double [0, 1] 1 anim"},
        {"Box Margin", "Double [0, F] 8 anim"},
        {"Offset", offset},
        {"Horizontal Alignment", "Enumeration 0=Left,1=Center,2=Right, 1 anim"},
        {"Vertical Alignment", "Enumeration 0=Top,1=Center,2=Bottom, 1 anim"},
        {G::getFormatValueName(), ""},
        {G::getXResolutionInputName(), ""},
        {G::getYResolutionInputName(), ""},
        {G::getFillColorInputName(), ""},
        {G::getFillAlphaInputName(), ""},
        {G::getInTimeInputName(), ""},
        {G::getOutTimeInputName(), ""},
        {G::getRepeatModeInputName(), ""},
        {G::getLockDurationInputName(), ""},
        {G::getTimeOffsetInputName(), ""},
        {"Outline", "Switch 0 anim"},
        {"Outline Width", "Double [0, 100] 2 anim"},
        {"Outline Color",
         "Color { Red: Double [-F, F] 0 anim; Green: Double [-F, F] 0 anim; Blue: Double [-F, F] 0 anim; }"},
        {"Outline Opacity", "Double [0, 1] 1 anim"},
        {"Drop Shadow Softness", "Double [0, 200] 0 anim"},
        {"Stable Layout", "Switch 0 anim"},
    };
    const auto entries = describeEntries();
    ASSERT_EQ(entries.size(), expected.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].getName(), expected[i].first);
        EXPECT_EQ(entries[i].getCardinality(), 0) << entries[i].getName();
        // The generator's inputs and the image and stored value are the host's; the rest is ours.
        if (!expected[i].second.empty()) {
            EXPECT_EQ(describePolicy(*entries[i].getPtr(), entries[i].getSocketType()), expected[i].second);
        }
    }
    const auto* primary = dynamic_cast<const PiImageInputPolicy*>(entries[0].getPtr().get());
    ASSERT_NE(primary, nullptr);
    EXPECT_TRUE(primary->isPrimary());
    EXPECT_EQ(primary->getMaxConnections(), 1);
    EXPECT_FALSE(primary->isRequired());
    EXPECT_EQ(entries[1].getRole(), PiInputPolicy::Role::StoredValue);
}

TEST_F(SlateCatalogueTest, TheFontPolicyFollowsTheFontManager)
{
    PiImageModifier::Descriptor descriptor;
    SlateController::describe(descriptor);
    ASSERT_NE(descriptor.findEntry("Text Font"), nullptr);
    const auto* font =
        dynamic_cast<const PiTypedInputPolicy<std::string>*>(descriptor.findEntry("Text Font")->getPtr().get());
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(font->isValid("DejaVu Sans Mono"));
    EXPECT_FALSE(font->isValid("No Such Font Family"));
    EXPECT_FALSE(font->isValid(""));
    // An invalid name is still stored as written: the warning is the controller's business.
    EXPECT_EQ(piVariantGet<std::string>(font->filterVariant(PiVariant(std::string("No Such Font Family")))),
              "No Such Font Family");
}

} // namespace
} // namespace Vx::test
