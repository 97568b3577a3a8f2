// The undo history of a composition: the stack of user commands, and the callbacks that run once
// a command has been processed.
//
// submit() executes a command and records it; undo() and redo() move through the history. While a
// command is being executed or redone getState() is 0 (Doing), while it is being undone 1
// (Undoing), otherwise 2 (Idle).
//
// When the tools hear of a change depends on how it came: the value changes of a user edit
// (submitted or redone) are told to the tools once the edit has been executed, in state 2, so
// that a tool may answer with edits of its own (a style that suits a new font); those answers are
// recorded with the edit and undone with it. The changes an undo makes are told during the undo,
// in state 1, when a tool must not answer with edits (the undo restores everything the edit
// changed). Observers and time callbacks hear of changes inside the command. The
// command-processed callbacks run last, in state 2.
//
// Writes made under a PiUndoGuardNoLog are applied without being recorded. Main thread only.
#pragma once

#include <Vx/Cb/CbHandler.h>
#include <Vx/Cm/CmCommand.h>
#include <Vx/Pi/PiCommandStack.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace Vx {

class CmCommandStack : public PiCommandStack
{
public:
    using ProcessedHandler = CbHandler<void>;

    CmCommandStack() = default;
    ~CmCommandStack() override;

    int getState() const override { return m_state; }

    /// Executes `command` and records it as the newest step, dropping the redo history. Submitted
    /// while another command is processed, it is executed at once and recorded as a child of that
    /// command. Under a PiUndoGuardNoLog it is executed and not recorded. An exception from the
    /// command's execution leaves the history unchanged and propagates.
    void submit(const RCShdPtr<CmCommand>& command);

    /// Undoes the newest step (with its children). Throws std::logic_error while a command is
    /// processed or when there is nothing to undo.
    void undo();
    /// Redoes the step undone last. Throws std::logic_error while a command is processed or when
    /// there is nothing to redo.
    void redo();
    std::size_t getUndoCount() const { return m_undo.size(); }
    /// How many steps redo() can bring back.
    std::size_t getRedoCount() const { return m_redo.size(); }
    /// The name of the step undo() would revert; empty when there is none.
    std::string getUndoName() const;
    /// Forgets the whole history.
    void clear();

    /// Calls `handler` after every command processed from now on (submitted, undone or redone),
    /// in state 2, until it is removed. The handler is not owned: the registration ends when it is
    /// removed or when the handler is destroyed, whichever comes first. Adding a handler that is
    /// already registered changes nothing.
    void addCommandProcessedCallback(ProcessedHandler* handler);
    /// Ends the calls of `handler`; removing a handler that is not registered does nothing.
    void removeCommandProcessedCallback(ProcessedHandler* handler);
    bool hasCommandProcessedCallback(const ProcessedHandler* handler) const;

    /// Called by values when their content changes: while a submitted or redone command executes,
    /// keeps `reaction` to run once the command has been executed (in state 2, recording what it
    /// writes into the command) and returns true; otherwise returns false and the caller runs it
    /// at once.
    bool deferUntilExecuted(std::function<void()> reaction);

    /// Whether writes are currently applied without being recorded (a PiUndoGuardNoLog is open).
    static bool isLoggingSuspended();
    /// Used by PiUndoGuardNoLog: opens and closes one level of unrecorded writing.
    static void suspendLogging();
    static void resumeLogging();

private:
    void runProcessedCallbacks();
    void executeRecording(CmCommand& command);
    /// Executes a top-level command, then runs the reactions it deferred.
    void executeAndReact(CmCommand& command);
    static void undoWithChildren(CmCommand& command);

    int m_state = Idle;
    std::vector<RCShdPtr<CmCommand>> m_undo;
    std::vector<RCShdPtr<CmCommand>> m_redo;
    CmCommand* m_current = nullptr; // the command whose execution records nested edits
    bool m_deferring = false;       // a top-level command executes: value reactions wait
    bool m_reacting = false;        // its reactions run: their edits belong to it
    std::vector<std::function<void()>> m_reactions;
    enum class Event
    {
        CommandProcessed
    };
    CbCallbackList<Event, ProcessedHandler> m_processed;
};

} // namespace Vx
