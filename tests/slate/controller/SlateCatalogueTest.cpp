// The input catalogue: what SlateController::describe declares, in which order, with which
// policies; and the life of the four package-wide policies.
#include "SlateControllerTestSupport.h"

#include <Vx/Fo/FoFontMgr.h>
#include <Vx/Pi/PiEnumPolicy.h>
#include <Vx/Pi/PiImageGenerator.h>
#include <Vx/Pi/PiImageInputPolicy.h>
#include <Vx/Pi/PiRangeInputPolicy.h>
#include <Vx/Pi/PiStructuredPolicyDescriptor.h>
#include <Vx/Pi/PiSwitchInputPolicy.h>

#include <limits>

namespace Vx::test {
namespace {

using namespace SlateNames;
using G = PiImageGenerator;

const double F = double(std::numeric_limits<float>::max());

/// Creates and releases the package-wide policies around each test, as package initialisation
/// and termination do.
class SlateCatalogueTest : public ::testing::Test
{
protected:
    void SetUp() override { SlateController::createStaticPolicies(); }
    void TearDown() override { SlateController::releaseStaticPolicies(); }

    /// The entries of a fresh description, in order.
    static std::vector<PiToolPolicyDescriptor::PolicyEntry> describeEntries()
    {
        PiImageModifier::Descriptor descriptor;
        SlateController::describe(descriptor);
        std::vector<PiToolPolicyDescriptor::PolicyEntry> entries;
        for (auto entry = descriptor.getPolicies(); !entry.atEnd(); ++entry)
            entries.push_back(*entry);
        return entries;
    }

    static const PiToolPolicyDescriptor::PolicyEntry& find(const std::vector<PiToolPolicyDescriptor::PolicyEntry>& all,
                                                           const std::string& name)
    {
        for (const auto& entry : all)
            if (entry.getName() == name)
                return entry;
        throw std::out_of_range("no entry " + name);
    }

    static void expectRange(const RCShdPtr<const PiInputPolicy>& policy, double min, double max, double defaultValue)
    {
        const auto* range = dynamic_cast<const PiRangeInputPolicy<double>*>(policy.get());
        ASSERT_NE(range, nullptr);
        EXPECT_EQ(range->getMin(), min);
        EXPECT_EQ(range->getMax(), max);
        EXPECT_EQ(range->getDefault(), defaultValue);
        EXPECT_TRUE(range->clampsOutOfRange());
        EXPECT_FALSE(range->hasSoftBounds());
    }

    static void expectColor(const PiToolPolicyDescriptor::PolicyEntry& entry, double defaultValue)
    {
        EXPECT_EQ(entry.getSocketType(), PiSocketType::Color);
        const auto* structure = dynamic_cast<const PiStructuredInputPolicy*>(entry.getPtr().get());
        ASSERT_NE(structure, nullptr);
        ASSERT_EQ(structure->getMembers().size(), 3u);
        const char* names[] = {"Red", "Green", "Blue"};
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(structure->getMembers()[i].name, names[i]);
            expectRange(structure->getMembers()[i].policy, -F, F, defaultValue);
        }
    }

    static void expectSwitch(const PiToolPolicyDescriptor::PolicyEntry& entry)
    {
        EXPECT_EQ(entry.getSocketType(), PiSocketType::Switch);
        const auto* toggle = dynamic_cast<const PiSwitchInputPolicy*>(entry.getPtr().get());
        ASSERT_NE(toggle, nullptr);
        EXPECT_FALSE(toggle->getDefault());
        EXPECT_TRUE(toggle->canAnimate());
        EXPECT_FALSE(toggle->isHidden());
    }
};

TEST_F(SlateCatalogueTest, DeclaresEverythingInOrderUnderTheSavedNames)
{
    const std::vector<std::string> expected = {
        PiImageInputPolicy::getPrimaryInputName(),
        "Substituted Text",
        "Text",
        "Text Font",
        "Text Style",
        "Text Size",
        "Text Color",
        "Text Opacity",
        "Drop Shadow",
        "Drop Shadow Color",
        "Drop Shadow Opacity",
        "Drop Shadow Offset",
        "Box",
        "Box Color",
        "Box Opacity",
        "Box Margin",
        "Offset",
        "Horizontal Alignment",
        "Vertical Alignment",
        G::getFormatValueName(),
        G::getXResolutionInputName(),
        G::getYResolutionInputName(),
        G::getFillColorInputName(),
        G::getFillAlphaInputName(),
        G::getInTimeInputName(),
        G::getOutTimeInputName(),
        G::getRepeatModeInputName(),
        G::getLockDurationInputName(),
        G::getTimeOffsetInputName(),
    };
    std::vector<std::string> names;
    for (const auto& entry : describeEntries()) {
        names.push_back(entry.getName());
        EXPECT_EQ(entry.getCardinality(), 0) << entry.getName();
    }
    EXPECT_EQ(names, expected);
}

TEST_F(SlateCatalogueTest, PrimaryInputAndStoredText)
{
    const auto entries = describeEntries();
    const auto* primary = dynamic_cast<const PiImageInputPolicy*>(entries[0].getPtr().get());
    ASSERT_NE(primary, nullptr);
    EXPECT_TRUE(primary->isPrimary());
    EXPECT_EQ(primary->getImageKinds(), 3);
    EXPECT_EQ(primary->getChannels(), 7);
    EXPECT_EQ(primary->getMaxConnections(), 1);
    EXPECT_EQ(primary->getResetType(), 0);
    EXPECT_FALSE(primary->isRequired());

    const auto& stored = find(entries, kSubstitutedText);
    EXPECT_EQ(stored.getRole(), PiInputPolicy::Role::StoredValue);
    const auto* storedPolicy = dynamic_cast<const PiStoredValuePolicy*>(stored.getPtr().get());
    ASSERT_NE(storedPolicy, nullptr);
    EXPECT_EQ(storedPolicy->getValueType(), PiValueType::String);

    const auto& text = find(entries, kText);
    EXPECT_EQ(text.getRole(), PiInputPolicy::Role::Input);
    EXPECT_EQ(text.getSocketType(), PiSocketType::String);
    EXPECT_EQ(piVariantGet<std::string>(text.getPtr()->getDefaultValue()), "");
}

TEST_F(SlateCatalogueTest, SocketTypesRangesAndDefaults)
{
    const auto entries = describeEntries();
    EXPECT_EQ(find(entries, kTextFont).getSocketType(), PiSocketType::String);
    EXPECT_EQ(find(entries, kTextSize).getSocketType(), PiSocketType::Double);
    struct Range
    {
        std::string name;
        double min, max, defaultValue;
    };
    for (const Range& r : {Range{kTextSize, 0.0, 10000.0, 48.0}, Range{kTextOpacity, 0.0, 1.0, 1.0},
                           Range{kDropShadowOpacity, 0.0, 1.0, 1.0}, Range{kBoxOpacity, 0.0, 1.0, 1.0},
                           Range{kBoxMargin, 0.0, F, 8.0}}) {
        SCOPED_TRACE(r.name);
        expectRange(find(entries, r.name).getPtr(), r.min, r.max, r.defaultValue);
    }
    expectColor(find(entries, kTextColor), 1.0);
    expectColor(find(entries, kDropShadowColor), 0.0);
    expectColor(find(entries, kBoxColor), 0.0);
    expectSwitch(find(entries, kDropShadow));
    expectSwitch(find(entries, kBox));

    const auto& shadowOffset = find(entries, kDropShadowOffset);
    EXPECT_EQ(shadowOffset.getSocketType(), PiSocketType::Structured);
    const auto* shadowMembers = dynamic_cast<const PiStructuredInputPolicy*>(shadowOffset.getPtr().get());
    ASSERT_NE(shadowMembers, nullptr);
    ASSERT_EQ(shadowMembers->getMembers().size(), 2u);
    EXPECT_EQ(shadowMembers->getMembers()[0].name, "X");
    EXPECT_EQ(shadowMembers->getMembers()[1].name, "Y");
    EXPECT_EQ(shadowMembers->getMembers()[0].policy->getSocketType(), PiSocketType::Double);
    expectRange(shadowMembers->getMembers()[0].policy, -F, F, 4.0);
    expectRange(shadowMembers->getMembers()[1].policy, -F, F, -4.0);

    // The members of "Offset" carry the host's default policy: no range, zero.
    const auto* offsetMembers = dynamic_cast<const PiStructuredInputPolicy*>(find(entries, kOffset).getPtr().get());
    ASSERT_NE(offsetMembers, nullptr);
    ASSERT_EQ(offsetMembers->getMembers().size(), 2u);
    for (const auto& m : offsetMembers->getMembers()) {
        EXPECT_EQ(m.policy->getSocketType(), PiSocketType::Double);
        EXPECT_EQ(dynamic_cast<const PiRangeInputPolicy<double>*>(m.policy.get()), nullptr) << m.name;
        EXPECT_EQ(piVariantGet<double>(m.policy->getDefaultValue()), 0.0);
    }
}

TEST_F(SlateCatalogueTest, EnumerationLabelsAndDefaults)
{
    const auto entries = describeEntries();
    struct Enumeration
    {
        std::string name;
        std::vector<std::string> labels;
        int defaultValue;
        bool animates;
    };
    for (const Enumeration& e : {Enumeration{kTextStyle,
                                             {"Regular", "Bold", "Italic", "Bold Italic"},
                                             FoFontMgr::getInstance().getDefaultFontStyle(),
                                             false},
                                 Enumeration{kHorizontalAlignment, {"Left", "Center", "Right"}, 1, true},
                                 Enumeration{kVerticalAlignment, {"Top", "Center", "Bottom"}, 1, true}}) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(find(entries, e.name).getSocketType(), PiSocketType::Enumeration);
        const auto* policy = dynamic_cast<const PiEnumPolicy*>(find(entries, e.name).getPtr().get());
        ASSERT_NE(policy, nullptr);
        std::vector<int> domain(e.labels.size());
        for (std::size_t i = 0; i < domain.size(); ++i)
            domain[i] = int(i);
        EXPECT_EQ(policy->getDomain(), domain);
        EXPECT_EQ(policy->getDomainLabels(), e.labels);
        EXPECT_EQ(policy->getDefault(), e.defaultValue);
        EXPECT_EQ(policy->canAnimate(), e.animates);
    }
}

TEST_F(SlateCatalogueTest, MaskingGeneratorAndDisplayModifier)
{
    PiImageModifier::Descriptor descriptor;
    EXPECT_TRUE(descriptor.canBeDisplayModifier()); // the descriptor's own default, overridden below
    SlateController::describe(descriptor);
    EXPECT_EQ(descriptor.getMaskingMode(), PiImageModifierTypes::NoMasking);
    EXPECT_FALSE(descriptor.canBeDisplayModifier());
    EXPECT_EQ(descriptor.getPrimaryInput(), PiImageInputPolicy::getPrimaryInputName());
    EXPECT_EQ(descriptor.findEntry(PiImageModifier::getMaskInputName()), nullptr);
}

TEST_F(SlateCatalogueTest, FontPolicyFollowsTheFontManager)
{
    const auto entries = describeEntries();
    const auto* font = dynamic_cast<const PiTypedInputPolicy<std::string>*>(find(entries, kTextFont).getPtr().get());
    ASSERT_NE(font, nullptr);
    FoFontMgr& fonts = FoFontMgr::getInstance();
    ASSERT_FALSE(fonts.getFontStyles("DejaVu Sans").empty());
    EXPECT_TRUE(font->isValid("DejaVu Sans"));
    EXPECT_TRUE(font->isValidValue(PiVariant(std::string("DejaVu Sans Mono"))));
    EXPECT_FALSE(font->isValid("No Such Font Family"));
    EXPECT_FALSE(font->isValid(""));
    EXPECT_EQ(font->getDefault(), fonts.getDefaultFontName());
    EXPECT_EQ(piVariantGet<std::string>(font->getDefaultValue()), fonts.getDefaultFontName());
    EXPECT_FALSE(font->canAnimate());
    // An invalid name is still stored as written: the warning is the controller's business.
    EXPECT_EQ(piVariantGet<std::string>(font->filterVariant(PiVariant(std::string("No Such Font Family")))),
              "No Such Font Family");
}

TEST_F(SlateCatalogueTest, CreatingThePoliciesAgainReplacesThemAndReleasingTwiceDoesNothing)
{
    RCShdPtr<const PiInputPolicy> first = find(describeEntries(), kTextFont).getPtr();
    EXPECT_EQ(first->getRefCount(), 2); // `first` and the package-wide slot
    SlateController::createStaticPolicies();
    EXPECT_EQ(first->getRefCount(), 1);
    const RCShdPtr<const PiInputPolicy> second = find(describeEntries(), kTextFont).getPtr();
    EXPECT_NE(second.get(), first.get());

    SlateController::releaseStaticPolicies();
    EXPECT_EQ(second->getRefCount(), 1);
    SlateController::releaseStaticPolicies();
    PiImageModifier::Descriptor descriptor;
    try {
        SlateController::describe(descriptor);
        FAIL() << "describe without the package-wide policies must fail";
    } catch (const RCExNullPtr& e) {
        EXPECT_NE(std::string(e.what()).find("PiInputPolicy"), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace Vx::test
