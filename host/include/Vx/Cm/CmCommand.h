// A user command: one undoable edit (set a value, connect two nodes, set an attribute...).
//
// A command is executed once when submitted to a CmCommandStack, then undone and redone as the
// user moves through the history. Edits made while a command executes (the reactions of tools to
// it) are recorded as its children and undone with it, in reverse order, before it; redoing the
// command executes it again, and the reactions it causes are recorded afresh. Main thread only.
#pragma once

#include <Vx/RC/RCShdPtr.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Vx {

class CmCommand : public RCObject
{
public:
    ~CmCommand() override = default;

    /// What the user sees in the history ("Set Value", "Connect").
    virtual std::string getName() const = 0;
    /// Applies the edit; also used to redo it. Throws (with nothing changed) when the edit is not
    /// allowed.
    virtual void execute() = 0;
    /// Reverts exactly what execute did.
    virtual void undo() = 0;

    /// The edits recorded while this command executed, oldest first.
    const std::vector<RCShdPtr<CmCommand>>& getChildren() const { return m_children; }

private:
    friend class CmCommandStack;
    std::vector<RCShdPtr<CmCommand>> m_children;
};

/// A command made of two functions: one that applies the edit, one that reverts it.
class CmFunctionCommand : public CmCommand
{
public:
    CmFunctionCommand(std::string name, std::function<void()> execute, std::function<void()> undo)
        : m_name(std::move(name)), m_execute(std::move(execute)), m_undo(std::move(undo))
    {
    }
    std::string getName() const override { return m_name; }
    void execute() override { m_execute(); }
    void undo() override { m_undo(); }

private:
    std::string m_name;
    std::function<void()> m_execute;
    std::function<void()> m_undo;
};

} // namespace Vx
