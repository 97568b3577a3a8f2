// The tool model's view of a command stack: whether a user command is being processed.
//
// Tools ask getState() before changing values on their own: while a command is being done or
// undone (states 0 and 1) the values they see may be half-way through the command, and their own
// writes would become part of it. The concrete stack is CmCommandStack. Main thread only.
#pragma once

#include <Vx/RC/RCShdPtr.h>

namespace Vx {

class PiCommandStack : public RCObject
{
public:
    /// The state codes of getState().
    enum State : int
    {
        Doing = 0,   ///< a command is being executed or redone
        Undoing = 1, ///< a command is being undone
        Idle = 2,    ///< no command is being processed
    };

    ~PiCommandStack() override = default;

    /// One of the State codes.
    virtual int getState() const = 0;
    /// Whether a command is being processed (state Doing or Undoing).
    bool isProcessing() const { return getState() == Doing || getState() == Undoing; }
};

} // namespace Vx
