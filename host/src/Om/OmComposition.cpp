// The object-model sides of compositions and graphs.
#include <Vx/Om/OmComposition.h>

namespace Vx {

OmComposition::OmComposition(std::string name)
    : OmComponent(std::move(name)), m_commandStack(makeShared<CmCommandStack>())
{
}

OmComposition::~OmComposition() = default;

OmGraph::OmGraph(std::string name, OmComposition* composition)
    : OmComponent(std::move(name)), m_composition(composition)
{
}

OmGraph::~OmGraph() = default;

CmCommandStack* OmGraph::getEditStack() const
{
    return m_composition ? m_composition->getEditStack() : nullptr;
}

} // namespace Vx
