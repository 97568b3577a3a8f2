// The undo history and its command-processed callbacks.
#include <Vx/Cm/CmCommandStack.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace Vx {

namespace {
int g_loggingSuspended = 0;

/// Sets a state for the life of a scope and restores the previous one, also on an exception.
class StateScope
{
public:
    StateScope(int& state, int value) : m_state(state), m_previous(std::exchange(state, value)) {}
    ~StateScope() { m_state = m_previous; }
    StateScope(const StateScope&) = delete;
    StateScope& operator=(const StateScope&) = delete;

private:
    int& m_state;
    int m_previous;
};
} // namespace

CmCommandStack::~CmCommandStack() = default;

bool CmCommandStack::isLoggingSuspended()
{
    return g_loggingSuspended > 0;
}

void CmCommandStack::suspendLogging()
{
    ++g_loggingSuspended;
}

void CmCommandStack::resumeLogging()
{
    if (g_loggingSuspended > 0)
        --g_loggingSuspended;
}

void CmCommandStack::executeRecording(CmCommand& command)
{
    CmCommand* outer = std::exchange(m_current, &command);
    try {
        command.execute();
    } catch (...) {
        m_current = outer;
        throw;
    }
    m_current = outer;
}

void CmCommandStack::submit(const RCShdPtr<CmCommand>& command)
{
    if (!command)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<CmCommand>)));
    if (isLoggingSuspended()) {
        command->execute();
        return;
    }
    if (m_state != Idle || m_reacting) {
        // A reaction to the command being processed: it belongs to that command, so that undoing
        // the command also undoes it. During an undo there is no command to record into.
        if (m_current) {
            command->m_children.clear();
            executeRecording(*command);
            m_current->m_children.push_back(command);
        } else {
            command->execute();
        }
        return;
    }
    executeAndReact(*command);
    m_undo.push_back(command);
    m_redo.clear();
    runProcessedCallbacks();
}

void CmCommandStack::executeAndReact(CmCommand& command)
{
    command.m_children.clear();
    {
        StateScope scope(m_state, Doing);
        const bool outer = std::exchange(m_deferring, true);
        try {
            executeRecording(command);
        } catch (...) {
            m_deferring = outer;
            m_reactions.clear();
            throw;
        }
        m_deferring = outer;
    }
    // The reactions run in state 2 with the command still current, so that the edits they make
    // are recorded as its children and undone with it. A reaction's own changes are told at once.
    CmCommand* outerCurrent = std::exchange(m_current, &command);
    const bool outerReacting = std::exchange(m_reacting, true);
    try {
        while (!m_reactions.empty()) {
            std::vector<std::function<void()>> reactions;
            reactions.swap(m_reactions);
            for (const auto& reaction : reactions)
                reaction();
        }
    } catch (...) {
        m_reactions.clear();
        m_current = outerCurrent;
        m_reacting = outerReacting;
        throw;
    }
    m_current = outerCurrent;
    m_reacting = outerReacting;
}

bool CmCommandStack::deferUntilExecuted(std::function<void()> reaction)
{
    if (!m_deferring)
        return false;
    m_reactions.push_back(std::move(reaction));
    return true;
}

void CmCommandStack::undoWithChildren(CmCommand& command)
{
    const auto& children = command.getChildren();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        undoWithChildren(**it);
    command.undo();
}

void CmCommandStack::undo()
{
    if (m_state != Idle || m_reacting)
        throw std::logic_error("The command stack cannot undo while a command is being processed.");
    if (m_undo.empty())
        throw std::logic_error("The command stack has no command to undo.");
    RCShdPtr<CmCommand> command = m_undo.back();
    m_undo.pop_back();
    {
        StateScope scope(m_state, Undoing);
        undoWithChildren(*command);
    }
    m_redo.push_back(command);
    runProcessedCallbacks();
}

void CmCommandStack::redo()
{
    if (m_state != Idle || m_reacting)
        throw std::logic_error("The command stack cannot redo while a command is being processed.");
    if (m_redo.empty())
        throw std::logic_error("The command stack has no command to redo.");
    RCShdPtr<CmCommand> command = m_redo.back();
    m_redo.pop_back();
    executeAndReact(*command);
    m_undo.push_back(command);
    runProcessedCallbacks();
}

std::string CmCommandStack::getUndoName() const
{
    return m_undo.empty() ? std::string() : m_undo.back()->getName();
}

void CmCommandStack::clear()
{
    m_undo.clear();
    m_redo.clear();
}

void CmCommandStack::addCommandProcessedCallback(ProcessedHandler* handler)
{
    m_processed.add(Event::CommandProcessed, handler);
}

void CmCommandStack::removeCommandProcessedCallback(ProcessedHandler* handler)
{
    m_processed.remove(Event::CommandProcessed, handler);
}

bool CmCommandStack::hasCommandProcessedCallback(const ProcessedHandler* handler) const
{
    return m_processed.contains(Event::CommandProcessed, handler);
}

void CmCommandStack::runProcessedCallbacks()
{
    // A callback may remove (or destroy) itself or others; one removed meanwhile is not called.
    m_processed.notify(Event::CommandProcessed);
}

} // namespace Vx
