// The object-model sides of a composition and of its graphs (versions).
//
// OmComposition owns the composition's command stack, the history of every edit made to it, its
// graphs and their nodes. OmGraph knows the composition that holds it. The tool model's
// PiComposition and PiGraph derive from them; observers attach to either. Main thread only.
#pragma once

#include <Vx/Cm/CmCommandStack.h>
#include <Vx/Om/OmComponent.h>

namespace Vx {

class OmComposition : public OmComponent
{
public:
    explicit OmComposition(std::string name);
    ~OmComposition() override;

    CmCommandStack* getEditStack() const override { return m_commandStack.get(); }
    const RCShdPtr<CmCommandStack>& getCommandStackPtr() const { return m_commandStack; }

private:
    RCShdPtr<CmCommandStack> m_commandStack;
};

class OmGraph : public OmComponent
{
public:
    OmGraph(std::string name, OmComposition* composition);
    ~OmGraph() override;

    /// The composition that holds this graph; null once the graph was removed from it.
    OmComposition* getOmComposition() const { return m_composition; }
    CmCommandStack* getEditStack() const override;

protected:
    /// Host side: the graph leaves its composition.
    void detachFromComposition() { m_composition = nullptr; }

private:
    OmComposition* m_composition;
};

} // namespace Vx
