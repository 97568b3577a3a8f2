// Descriptions and policies: ranges, enumerations, default policies, and the names a description
// refuses. (The order of a description's entries: the Slate catalogue.)
#include "common/ExpectThrowMessage.h"
#include <Vx/Pi/PiEnumPolicy.h>
#include <Vx/Pi/PiImageInputPolicy.h>
#include <Vx/Pi/PiImageModifier.h>
#include <Vx/Pi/PiRangeInputPolicy.h>
#include <Vx/Pi/PiSwitchInputPolicy.h>
#include <Vx/Pi/PiToolPolicyDescriptor.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Vx;

TEST(PiRangeInputPolicy, ClampsRejectsOrPassesOutOfRangeValues)
{
    const auto clamp = PiRangeInputPolicy<double>::create(0.0, 10.0, 4.0, true, false);
    EXPECT_DOUBLE_EQ(clamp->getDefault(), 4.0);
    EXPECT_DOUBLE_EQ(clamp->filterValue(20.0), 10.0);
    EXPECT_DOUBLE_EQ(clamp->filterValue(-1.0), 0.0);
    EXPECT_FALSE(clamp->isValid(20.0));
    EXPECT_DOUBLE_EQ(std::get<double>(clamp->filterVariant(PiVariant(11.0))), 10.0);

    const auto reject = PiRangeInputPolicy<double>::create(0.0, 1.0, 1.0, false, false);
    EXPECT_THROW_MESSAGE(reject->filterValue(2.5), std::invalid_argument,
                         "The value 2.5 lies outside the range [0, 1].");
    EXPECT_DOUBLE_EQ(reject->filterValue(0.25), 0.25);
    EXPECT_THROW_MESSAGE(reject->filterValue(std::nan("")), std::invalid_argument,
                         "The value NaN is not a number and cannot be stored.");

    const auto soft = PiRangeInputPolicy<double>::create(0.0, 1.0, 0.5, false, true);
    EXPECT_DOUBLE_EQ(soft->filterValue(3.0), 3.0);
    EXPECT_TRUE(soft->isValid(-3.0));

    EXPECT_THROW_MESSAGE(
        PiRangeInputPolicy<double>::create(0.0, 1.0, 2.0, true, false), std::invalid_argument,
        "The range [0, 1] with default 2 is not valid: the minimum must not exceed the maximum and the default "
        "must lie between them.");
}

TEST(PiEnumPolicy, KnowsItsLabelsInOrderAndRejectsOtherCodes)
{
    const auto policy = PiEnumPolicy::Builder()
                            .addPair(0, "Left")
                            .addPair(1, std::string("Center"))
                            .addPair(2, "Right")
                            .setDefaultValue(1)
                            .create();
    EXPECT_EQ(policy->getDomainLabels(), (std::vector<std::string>{"Left", "Center", "Right"}));
    EXPECT_EQ(policy->getDomainLabel(7), "");
    EXPECT_EQ(policy->getCode("Center"), 1);
    EXPECT_EQ(policy->getDefault(), 1);
    EXPECT_FALSE(policy->isValid(3));
    EXPECT_THROW_MESSAGE(policy->filterValue(3), std::invalid_argument,
                         "The code 3 is not one of the enumeration's codes.");

    const auto first = PiEnumPolicy::Builder().addPair(5, "Five").addPair(6, "Six").setAnimatable(false).create();
    EXPECT_EQ(first->getDefault(), 5) << "without a default, the first code";
    EXPECT_FALSE(first->canAnimate());
    EXPECT_THROW_MESSAGE(PiEnumPolicy::Builder().create(), std::invalid_argument,
                         "An enumeration needs at least one code and label.");
    EXPECT_THROW_MESSAGE(PiEnumPolicy::Builder().addPair(1, "A").setDefaultValue(2).create(), std::invalid_argument,
                         "The default code 2 is not one of the enumeration's codes.");
    EXPECT_THROW_MESSAGE(PiEnumPolicy::Builder().addPair(1, "A").addPair(1, "B").create(), std::invalid_argument,
                         "The enumeration code 1 appears twice (\"A\" and \"B\").");
}

TEST(PiToolPolicyDescriptor, RefusesRepeatedNamesAndMismatchedPolicies)
{
    PiToolPolicyDescriptor descriptor;
    descriptor.requires("A", PiSocketType::Switch, PiSocketType::Single);
    EXPECT_THROW_MESSAGE(descriptor.stores("A", PiValueType::Int), std::invalid_argument,
                         "The tool already declares \"A\".");
    EXPECT_THROW_MESSAGE(descriptor.requires("B", PiSocketType::String, PiSwitchInputPolicy::create(false, true, false),
                                             PiSocketType::Single),
                         std::invalid_argument,
                         "The input \"B\" of socket type String was given a policy for socket type Switch.");
    PiStructuredPolicyDescriptor offset;
    EXPECT_THROW_MESSAGE(offset.add("X.Y", PiSocketType::Double, PiSocketType::Single), std::invalid_argument,
                         "The member name \"X.Y\" must not be empty nor contain '.'.");
}

TEST(PiInputPolicy, DefaultPoliciesAnimateAndAnImageInputTakesOneConnection)
{
    for (const int socket : {PiSocketType::Switch, PiSocketType::Double, PiSocketType::Enumeration,
                             PiSocketType::Integer, PiSocketType::String, PiSocketType::Color}) {
        const RCShdPtr<const PiInputPolicy> policy = PiInputPolicy::createDefault(socket);
        EXPECT_EQ(policy->getSocketType().getCode(), socket);
        EXPECT_EQ(policy->canAnimate(), socket != PiSocketType::Color) << socket; // a colour animates by member
    }
    const RCShdPtr<const PiInputPolicy> imagePolicy = PiInputPolicy::createDefault(PiSocketType::Image);
    const auto* image = dynamic_cast<const PiImageInputPolicy*>(imagePolicy.get());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->getImageKinds(), 3);
    EXPECT_EQ(image->getChannels(), 7);
    EXPECT_EQ(image->getMaxConnections(), 1);
    EXPECT_EQ(image->getResetType(), 0);
    EXPECT_FALSE(image->isRequired());
    const PiSocketType structured(PiSocketType::Structured);
    EXPECT_THROW_MESSAGE(PiInputPolicy::createDefault(structured), std::invalid_argument,
                         "The socket type Structured (" + std::to_string(structured.getCode()) +
                             ") has no default policy.");
}
