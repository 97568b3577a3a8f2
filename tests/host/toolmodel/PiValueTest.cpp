// Nodes, inputs and values: handlers, edits, undo and redo, policies applied on write.
#include "ToolModelTestSupport.h"

#include <Vx/Pi/PiUndoGuardNoLog.h>

using namespace Vx;
using namespace Vx::pitest;

using PiNodeTest = ToolModelTest;

TEST_F(PiNodeTest, IsBuiltFromTheControllersPolicies)
{
    GainController* controller = nullptr;
    const RCShdPtr<PiNode> node = makeGainNode("gain1", &controller);
    EXPECT_EQ(controller->loadedCount, 1) << "nodeAdded calls nodeLoaded by default";
    EXPECT_EQ(controller->getNode().get(), node.get());
    EXPECT_TRUE(node->getInput("Input", true)->isPrimary());
    EXPECT_TRUE(node->getInput(kLabel, true)->getOutput()->isValueSource());
    EXPECT_EQ(node->getInput("Fill Color", true)->getMembers().size(), 3u);
    EXPECT_EQ(node->getInput("Nothing", false).get(), nullptr);
    EXPECT_EQ(messageOf([&] { node->getInput("Nothing", true); }),
              "The node \"gain1\" has no input named \"Nothing\".");
    EXPECT_EQ(node->getStoredValue(kNote, true)->getName(), kNote);
}

TEST_F(PiNodeTest, AChangedValueBecomesInvalidAndCallsItsInvalidationHandlerOnce)
{
    const RCShdPtr<PiNode> node = makeGainNode("gain1");
    const auto gain = PiInputValue<double>::createTypedRO(node->getInput(kGain, true));
    FunctionHandler invalidated;
    FunctionHandler updated;
    gain->setInvalidationHandler(&invalidated);
    gain->setUpdateHandler(&updated);
    EXPECT_TRUE(gain->isInvalid()) << "a value is invalid until its first update";
    gain->update();
    EXPECT_FALSE(gain->isInvalid());
    EXPECT_EQ(updated.getCalls(), 1);

    node->getInput(kGain, true)->setVariant(2.0);
    EXPECT_TRUE(gain->isInvalid());
    EXPECT_EQ(invalidated.getCalls(), 1);
    node->getInput(kGain, true)->setVariant(3.0);
    EXPECT_EQ(invalidated.getCalls(), 1) << "an invalid value is not invalidated again";
    EXPECT_DOUBLE_EQ(gain->getValue(), 3.0);
    gain->update();
    node->getInput(kGain, true)->setVariant(3.0);
    EXPECT_FALSE(gain->isInvalid()) << "writing the value already held changes nothing";
}

TEST_F(PiNodeTest, AnUpdateHandlerThatFindsTheValueInvalidAgainRunsAgain)
{
    const RCShdPtr<PiNode> node = makeGainNode("gain1");
    const auto label = PiInputValue<std::string>::createTypedRO(node->getInput(kLabel, true));
    std::vector<std::string> seen;
    FunctionHandler invalidated([&] { label->update(); });
    FunctionHandler updated;
    updated.setFunction([&] {
        seen.push_back(label->getValue());
        if (seen.size() == 1)
            node->getInput(kLabel, true)->setVariant(std::string("written by the handler"));
        if (label->isInvalid())
            label->update();
    });
    label->setInvalidationHandler(&invalidated);
    label->setUpdateHandler(&updated);
    label->update();
    EXPECT_EQ(seen, (std::vector<std::string>{"", "written by the handler"}));
    EXPECT_EQ(invalidated.getCalls(), 1);
    EXPECT_FALSE(label->isInvalid());
}

TEST_F(PiNodeTest, UndoAndRedoRestoreValuesAndTellTheController)
{
    GainController* controller = nullptr;
    const RCShdPtr<PiNode> node = makeGainNode("gain1", &controller);
    const RCShdPtr<CmCommandStack> stack = composition->getCommandStack();
    const auto gainOf = [&] { return std::get<double>(node->getInput(kGain, true)->getVariant()); };
    const auto labelOf = [&] { return std::get<std::string>(node->getInput(kLabel, true)->getVariant()); };
    node->getInput(kGain, true)->setVariant(2.0);
    node->getInput(kLabel, true)->setVariant(std::string("hello"));
    ASSERT_EQ(stack->getUndoCount(), 2u);
    EXPECT_EQ(stack->getUndoName(), "Set Label");

    stack->undo();
    EXPECT_EQ(labelOf(), "");
    EXPECT_DOUBLE_EQ(gainOf(), 2.0);
    stack->undo();
    EXPECT_DOUBLE_EQ(gainOf(), 1.0);
    EXPECT_EQ(stack->getUndoCount(), 0u);
    stack->redo();
    stack->redo();
    EXPECT_DOUBLE_EQ(gainOf(), 2.0);
    EXPECT_EQ(labelOf(), "hello");
    EXPECT_THROW(stack->redo(), std::logic_error);
    EXPECT_EQ(controller->changedValues, (std::vector<std::string>{kGain, kLabel, kLabel, kGain, kGain, kLabel}));
}

TEST_F(PiNodeTest, PoliciesFilterWrittenValues)
{
    const RCShdPtr<PiNode> node = makeGainNode("gain1");
    node->getInput(kGain, true)->setVariant(9.0);
    EXPECT_DOUBLE_EQ(std::get<double>(node->getInput(kGain, true)->getVariant()), 4.0) << "clamped to [0, 4]";
    const RCShdPtr<PiInput> repeat = node->getInput(PiImageGenerator::getRepeatModeInputName(), true);
    EXPECT_EQ(messageOf([&] { repeat->setVariant(7); }),
              "\"Repeat Mode\" does not accept the value written: The code 7 is not one of the enumeration's codes.");
    EXPECT_EQ(std::get<int>(repeat->getVariant()), 0);
    const RCShdPtr<PiInput> lock = node->getInput(PiImageGenerator::getLockDurationInputName(), true);
    EXPECT_EQ(messageOf([&] {
                  lock->setKeys({{0.0, PiVariant(true)}});
              }),
              "\"Lock Duration\" does not accept the value written: The value cannot be keyframed.");
    EXPECT_THROW(node->getInput(kGain, true)->setVariant(PiVariant(std::string("loud"))), RCExCastFailed);
    EXPECT_THROW(PiTypedValueUtil<int>(node->getStoredValue(kNote, true), true), RCExCastFailed);
    EXPECT_THROW(PiInputValue<int>::createTypedRO(node->getInput(kLabel, true)), RCExCastFailed);
}

TEST_F(PiNodeTest, WritesUnderAnUndoGuardAreNotRecorded)
{
    const RCShdPtr<PiNode> node = makeGainNode("gain1");
    PiTypedValueUtil<std::string> note(node->getStoredValue(kNote, true), true);
    {
        PiUndoGuardNoLog guard(false);
        note->setValue("derived");
    }
    EXPECT_EQ(note->getValue(), "derived");
    EXPECT_EQ(composition->getCommandStack()->getUndoCount(), 0u);
    {
        PiUndoGuardNoLog guard(true);
        note->setValue("user");
    }
    EXPECT_EQ(composition->getCommandStack()->getUndoCount(), 1u) << "a guard told to keep logging records";
}

TEST_F(PiNodeTest, AnimatedValuesAreReadAtTheirTime)
{
    const RCShdPtr<PiNode> node = makeGainNode("gain1");
    node->getInput(kGain, true)->setKeys({{0.0, PiVariant(0.0)}, {2.0, PiVariant(2.0)}});
    const auto atOne = PiInputValue<double>::createTypedRO(node->getInput(kGain, true), makeShared<PiTimePath>(1.0));
    EXPECT_DOUBLE_EQ(atOne->getValue(), 1.0);
    const auto now = PiInputValue<double>::createTypedRO(node->getInput(kGain, true));
    now->update();
    EXPECT_DOUBLE_EQ(now->getValue(), 0.0);
    composition->setCurrentTime(1.5);
    EXPECT_TRUE(now->isInvalid()) << "moving the current time invalidates animated values";
    EXPECT_DOUBLE_EQ(now->getValue(), 1.5);
}
