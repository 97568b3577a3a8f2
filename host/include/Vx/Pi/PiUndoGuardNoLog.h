// Writes that are not user actions: values written while a guard is open are applied and
// notified as usual but not recorded on any command stack, so the user cannot undo them (a tool
// keeping a derived value up to date, say). Guards nest. Main thread only.
#pragma once

namespace Vx {

class PiUndoGuardNoLog
{
public:
    /// Opens the guard. `keepLogging` true makes the guard do nothing, for callers that decide at
    /// run time whether their write is a user action.
    explicit PiUndoGuardNoLog(bool keepLogging = false);
    ~PiUndoGuardNoLog();
    PiUndoGuardNoLog(const PiUndoGuardNoLog&) = delete;
    PiUndoGuardNoLog& operator=(const PiUndoGuardNoLog&) = delete;

private:
    bool m_active;
};

} // namespace Vx
