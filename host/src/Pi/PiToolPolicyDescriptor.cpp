// Tool descriptions and structured inputs.
#include <Vx/Pi/PiToolPolicyDescriptor.h>

#include <Vx/Pi/PiImageInputPolicy.h>

#include <stdexcept>

namespace Vx {

namespace {
bool holdsInt(PiSocketType socket)
{
    return socket == PiSocketType::Enumeration || socket == PiSocketType::Integer;
}
} // namespace

void piCheckPolicySocket(const std::string& name, PiSocketType socket, const PiInputPolicy& policy)
{
    if (policy.getRole() != PiInputPolicy::Role::Input)
        throw std::invalid_argument("The input \"" + name + "\" was given the policy of a stored value or output.");
    const PiSocketType own = policy.getSocketType();
    if (own == socket || (holdsInt(own) && holdsInt(socket)))
        return;
    throw std::invalid_argument("The input \"" + name + "\" of socket type " + socket.getName() +
                                " was given a policy for socket type " + own.getName() + ".");
}

bool PiStructuredInputPolicy::hasSameType(const PiInputPolicy& other) const
{
    const auto* structure = dynamic_cast<const PiStructuredInputPolicy*>(&other);
    if (!structure || structure->getSocketType() != getSocketType() || structure->m_members.size() != m_members.size())
        return false;
    for (std::size_t i = 0; i < m_members.size(); ++i)
        if (m_members[i].name != structure->m_members[i].name ||
            !m_members[i].policy->hasSameType(*structure->m_members[i].policy))
            return false;
    return true;
}

void PiStructuredPolicyDescriptor::add(const std::string& name, PiSocketType socket,
                                       PiSocketType::Cardinality cardinality)
{
    add(name, socket, PiInputPolicy::createDefault(socket), cardinality);
}

void PiStructuredPolicyDescriptor::add(const std::string& name, PiSocketType socket,
                                       const RCShdPtr<const PiInputPolicy>& policy,
                                       PiSocketType::Cardinality cardinality)
{
    (void)cardinality;
    if (name.empty() || name.find('.') != std::string::npos)
        throw std::invalid_argument("The member name \"" + name + "\" must not be empty nor contain '.'.");
    for (const auto& member : m_members)
        if (member.name == name)
            throw std::invalid_argument("The structure already has a member named \"" + name + "\".");
    if (!policy)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<const PiInputPolicy>)));
    piValueTypeOfSocket(socket); // members hold values of their own
    piCheckPolicySocket(name, socket, *policy);
    m_members.push_back({name, policy});
}

RCShdPtr<const PiStructuredInputPolicy> PiStructuredPolicyDescriptor::createPolicy(PiSocketType socket) const
{
    if (m_members.empty())
        throw std::invalid_argument("A structured input needs at least one member.");
    return makeShared<PiStructuredInputPolicy>(socket, m_members);
}

PiVariant PiStoredValuePolicy::filterVariant(const PiVariant& value) const
{
    if (value.index() != m_default.index())
        RCExUtil::throwExCastFailed(piVariantTypeName(value), piVariantTypeName(m_default));
    return value;
}

bool PiStoredValuePolicy::hasSameType(const PiInputPolicy& other) const
{
    const auto* stored = dynamic_cast<const PiStoredValuePolicy*>(&other);
    return stored && stored->m_type == m_type;
}

PiToolPolicyDescriptor::~PiToolPolicyDescriptor() = default;

void PiToolPolicyDescriptor::requires(const std::string& name, PiSocketType socket,
                                      PiSocketType::Cardinality cardinality)
{
    addEntry(PolicyEntry(name, PiInputPolicy::createDefault(socket), cardinality));
}

void PiToolPolicyDescriptor::requires(const std::string& name, PiSocketType socket,
                                      const RCShdPtr<const PiInputPolicy>& policy,
                                      PiSocketType::Cardinality cardinality)
{
    if (!policy)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<const PiInputPolicy>)));
    piCheckPolicySocket(name, socket, *policy);
    addEntry(PolicyEntry(name, policy, cardinality));
}

void PiToolPolicyDescriptor::requires(const std::string& name, const PiStructuredPolicyDescriptor& structure,
                                      PiSocketType::Cardinality cardinality)
{
    addEntry(PolicyEntry(name, structure.createPolicy(PiSocketType::Structured), cardinality));
}

void PiToolPolicyDescriptor::stores(const std::string& name, PiValueType type)
{
    addEntry(PolicyEntry(name, makeShared<PiStoredValuePolicy>(type)));
}

void PiToolPolicyDescriptor::produces(const std::string& name, PiSocketType socket)
{
    addEntry(PolicyEntry(name, makeShared<PiOutputPolicy>(socket)));
}

void PiToolPolicyDescriptor::addEntry(const PolicyEntry& entry)
{
    if (entry.getName().empty())
        throw std::invalid_argument("A tool's input, stored value or output needs a name.");
    if (findEntry(entry.getName()))
        throw std::invalid_argument("The tool already declares \"" + entry.getName() + "\".");
    // Iterators handed out earlier share the list: they keep the list as it was.
    if (m_entries.use_count() > 1)
        m_entries = std::make_shared<std::vector<PolicyEntry>>(*m_entries);
    m_entries->push_back(entry);
}

const PiToolPolicyDescriptor::PolicyEntry* PiToolPolicyDescriptor::findEntry(const std::string& name) const
{
    for (const PolicyEntry& entry : *m_entries)
        if (entry.getName() == name)
            return &entry;
    return nullptr;
}

std::string PiToolPolicyDescriptor::getPrimaryInput() const
{
    for (const PolicyEntry& entry : *m_entries) {
        const auto* image = dynamic_cast<const PiImageInputPolicy*>(entry.getPtr().get());
        if (image && image->isPrimary())
            return entry.getName();
    }
    return {};
}

Iterator<PiToolPolicyDescriptor::PolicyEntry> PiToolPolicyDescriptor::getPolicies() const
{
    return Iterator<PolicyEntry>(m_entries);
}

} // namespace Vx
