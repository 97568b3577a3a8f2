// Nodes, inputs and values: handlers, edits, undo refused while a command is processed, policies
// applied on write. (Undo and redo restoring values: the Slate font, style and text tests.)
#include "ToolModelTestSupport.h"
#include "common/ExpectThrowMessage.h"

#include <Vx/Pi/PiUndoGuardNoLog.h>

using namespace Vx;
using namespace Vx::pitest;

using PiNodeTest = ToolModelTest;

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

TEST_F(PiNodeTest, PoliciesFilterWrittenValues)
{
    const RCShdPtr<PiNode> node = makeGainNode("gain1");
    node->getInput(kGain, true)->setVariant(9.0);
    EXPECT_DOUBLE_EQ(std::get<double>(node->getInput(kGain, true)->getVariant()), 4.0) << "clamped to [0, 4]";
    const RCShdPtr<PiInput> repeat = node->getInput(PiImageGenerator::getRepeatModeInputName(), true);
    EXPECT_THROW_MESSAGE(
        repeat->setVariant(7), std::invalid_argument,
        "\"Repeat Mode\" does not accept the value written: The code 7 is not one of the enumeration's codes.");
    EXPECT_EQ(std::get<int>(repeat->getVariant()), 0);
    const RCShdPtr<PiInput> lock = node->getInput(PiImageGenerator::getLockDurationInputName(), true);
    EXPECT_THROW_MESSAGE(lock->setKeys({{0.0, PiVariant(true)}}), std::invalid_argument,
                         "\"Lock Duration\" does not accept the value written: The value cannot be keyframed.");
    EXPECT_THROW(node->getInput(kGain, true)->setVariant(PiVariant(std::string("loud"))), RCExCastFailed);
}

TEST_F(PiNodeTest, RefusesToUndoWhileACommandIsProcessed)
{
    const RCShdPtr<PiNode> node = makeGainNode("gain1");
    const RCShdPtr<CmCommandStack> stack = composition->getCommandStack();
    const auto gain = PiInputValue<double>::createTypedRO(node->getInput(kGain, true));
    FunctionHandler invalidated([&] {
        EXPECT_THROW_MESSAGE(stack->undo(), std::logic_error,
                             "The command stack cannot undo while a command is being processed.");
    });
    gain->setInvalidationHandler(&invalidated);
    gain->update();
    node->getInput(kGain, true)->setVariant(2.0);
    EXPECT_EQ(invalidated.getCalls(), 1);
    EXPECT_EQ(CmCommandStack().getUndoName(), "");
    EXPECT_THROW(CmCommandStack().undo(), std::logic_error);
}
