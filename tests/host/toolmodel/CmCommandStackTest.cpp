// The command stack: its states while a command is processed, the command-processed callbacks,
// edits made in reaction to a command, and undo and redo.
#include "ToolModelTestSupport.h"
#include "common/ExpectThrowMessage.h"

using namespace Vx;
using namespace Vx::pitest;

using CmCommandStackTest = ToolModelTest;

TEST_F(CmCommandStackTest, DefersCommandProcessedCallbacksUntilTheCommandWasProcessed)
{
    const RCShdPtr<PiNode> node = makeGainNode("gain1");
    const RCShdPtr<CmCommandStack> stack = composition->getCommandStack();
    const auto gain = PiInputValue<double>::createTypedRO(node->getInput(kGain, true));
    std::vector<std::string> events;
    FunctionHandler deferredWork;
    FunctionHandler updated;
    // The work of the update handler must not run while a command is processed: it registers
    // itself as a command-processed callback and runs again afterwards, as tools do.
    updated.setFunction([&] {
        if (stack->isProcessing()) {
            events.push_back("deferred in state " + std::to_string(stack->getState()));
            stack->addCommandProcessedCallback(&deferredWork);
            return;
        }
        stack->removeCommandProcessedCallback(&deferredWork);
        events.push_back("worked with " + std::to_string(gain->getValue()) + " in state " +
                         std::to_string(stack->getState()));
    });
    deferredWork.setFunction([&] { updated.call(); });
    FunctionHandler invalidated([&] { gain->update(); });
    gain->setInvalidationHandler(&invalidated);
    gain->setUpdateHandler(&updated);
    gain->update();
    node->getInput(kGain, true)->setVariant(3.0); // told after it executed: no deferral
    stack->undo();                                // told during the undo: deferred
    // A command asking for the update while it executes: deferred too.
    stack->submit(makeShared<CmFunctionCommand>(
        "Refresh", [&] { gain->update(); }, [] {}));
    EXPECT_EQ(events, (std::vector<std::string>{"worked with 1.000000 in state 2", "worked with 3.000000 in state 2",
                                                "deferred in state 1", "worked with 1.000000 in state 2",
                                                "deferred in state 0", "worked with 1.000000 in state 2"}));
    EXPECT_EQ(deferredWork.getCalls(), 2);
    EXPECT_FALSE(stack->hasCommandProcessedCallback(&deferredWork));
    node->getInput(kGain, true)->setVariant(2.0);
    EXPECT_EQ(deferredWork.getCalls(), 2) << "the callback was removed when the deferred work ran";
}

TEST_F(CmCommandStackTest, EditsMadeInReactionToACommandAreUndoneWithIt)
{
    const RCShdPtr<PiNode> node = makeGainNode("gain1");
    const RCShdPtr<CmCommandStack> stack = composition->getCommandStack();
    const auto gain = PiInputValue<double>::createTypedRO(node->getInput(kGain, true));
    bool armed = false;
    FunctionHandler updated([&] {
        // Reactions to an edit may write; reactions to an undo must not (the undo restores all).
        if (armed && stack->getState() == PiCommandStack::Idle)
            node->getInput(kLabel, true)->setVariant(std::string("gain ") + std::to_string(int(gain->getValue())));
    });
    FunctionHandler invalidated([&] { gain->update(); });
    gain->setUpdateHandler(&updated);
    gain->setInvalidationHandler(&invalidated);
    gain->update();
    armed = true;
    node->getInput(kGain, true)->setVariant(3.0);
    EXPECT_EQ(std::get<std::string>(node->getInput(kLabel, true)->getVariant()), "gain 3");
    ASSERT_EQ(stack->getUndoCount(), 1u);
    ASSERT_EQ(composition->getCommandStack()->getUndoName(), "Set Gain");
    stack->undo();
    EXPECT_EQ(std::get<std::string>(node->getInput(kLabel, true)->getVariant()), "");
    EXPECT_DOUBLE_EQ(std::get<double>(node->getInput(kGain, true)->getVariant()), 1.0);
    stack->redo();
    EXPECT_EQ(std::get<std::string>(node->getInput(kLabel, true)->getVariant()), "gain 3");
    ASSERT_EQ(stack->getUndoCount(), 1u);
}

TEST_F(CmCommandStackTest, RefusesToUndoWhileACommandIsProcessed)
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
