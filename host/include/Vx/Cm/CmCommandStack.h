// The undo history of a composition: the stack of user commands, and the callbacks that run once
// a command has been processed.
//
// submit() executes a command and records it; undo() and redo() move through the history. While a
// command is being executed or redone getState() is 0 (Doing), while it is being undone 1
// (Undoing), otherwise 2 (Idle). Notifications caused by a command (value handlers, observers,
// time callbacks) run inside it, in state 0 or 1; the command-processed callbacks run after it, in
// state 2, so that work deferred by a tool while the command was processed can run then.
//
// Writes made under a PiUndoGuardNoLog are applied without being recorded. Main thread only.
#pragma once

#include <Vx/Cb/CbHandler.h>
#include <Vx/Cm/CmCommand.h>
#include <Vx/Pi/PiCommandStack.h>

#include <cstddef>
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
    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    std::size_t getUndoCount() const { return m_undo.size(); }
    std::size_t getRedoCount() const { return m_redo.size(); }
    /// The name of the step undo() would revert; empty when there is none.
    std::string getUndoName() const;
    /// Forgets the whole history.
    void clear();
    /// Forgets the redo history only.
    void clearRedo() { m_redo.clear(); }

    /// Calls `handler` after every command processed from now on (submitted, undone or redone),
    /// in state 2, until it is removed. The handler is not owned: the registration ends when it is
    /// removed or when the handler is destroyed, whichever comes first. Adding a handler that is
    /// already registered changes nothing.
    void addCommandProcessedCallback(ProcessedHandler* handler);
    /// Ends the calls of `handler`; removing a handler that is not registered does nothing.
    void removeCommandProcessedCallback(ProcessedHandler* handler);
    bool hasCommandProcessedCallback(const ProcessedHandler* handler) const;

    /// Whether writes are currently applied without being recorded (a PiUndoGuardNoLog is open).
    static bool isLoggingSuspended();
    /// Used by PiUndoGuardNoLog: opens and closes one level of unrecorded writing.
    static void suspendLogging();
    static void resumeLogging();

private:
    void runProcessedCallbacks();
    void executeRecording(CmCommand& command);
    static void undoWithChildren(CmCommand& command);

    int m_state = Idle;
    std::vector<RCShdPtr<CmCommand>> m_undo;
    std::vector<RCShdPtr<CmCommand>> m_redo;
    CmCommand* m_current = nullptr; // the command whose execution records nested edits
    enum class Event
    {
        CommandProcessed
    };
    CbCallbackList<Event, ProcessedHandler> m_processed;
};

} // namespace Vx
