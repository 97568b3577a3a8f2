// Components, their attributes and the edits that change them.
#include <Vx/Om/OmComponent.h>

#include <Vx/Cm/CmCommandStack.h>

#include <optional>
#include <stdexcept>
#include <utility>

namespace Vx {

namespace {

/// Sets, adds or removes one attribute; undo restores what was there.
class OmAttributeCommand : public CmCommand
{
public:
    OmAttributeCommand(OmComponent& component, std::string name, std::optional<std::string> value)
        : m_component(&component), m_name(std::move(name)), m_value(std::move(value))
    {
    }
    std::string getName() const override { return m_value ? "Set Attribute" : "Remove Attribute"; }
    void execute() override
    {
        m_hadValue = m_component->hasAttribute(m_name);
        if (m_hadValue)
            m_oldValue = m_component->getAttribute(m_name);
        m_component->applyAttribute(m_name, m_value ? &*m_value : nullptr);
    }
    void undo() override { m_component->applyAttribute(m_name, m_hadValue ? &m_oldValue : nullptr); }

private:
    RCShdPtr<OmComponent> m_component;
    std::string m_name;
    std::optional<std::string> m_value;
    bool m_hadValue = false;
    std::string m_oldValue;
};

class OmAttributeRenameCommand : public CmCommand
{
public:
    OmAttributeRenameCommand(OmComponent& component, std::string from, std::string to)
        : m_component(&component), m_from(std::move(from)), m_to(std::move(to))
    {
    }
    std::string getName() const override { return "Rename Attribute"; }
    void execute() override { m_component->applyAttributeRename(m_from, m_to); }
    void undo() override { m_component->applyAttributeRename(m_to, m_from); }

private:
    RCShdPtr<OmComponent> m_component;
    std::string m_from;
    std::string m_to;
};

class OmNameCommand : public CmCommand
{
public:
    OmNameCommand(OmComponent& component, std::string name) : m_component(&component), m_name(std::move(name)) {}
    std::string getName() const override { return "Rename"; }
    void execute() override
    {
        m_oldName = m_component->getName();
        m_component->applyName(m_name);
    }
    void undo() override { m_component->applyName(m_oldName); }

private:
    RCShdPtr<OmComponent> m_component;
    std::string m_name;
    std::string m_oldName;
};

} // namespace

OmComponent::OmComponent(std::string name) : m_id(UuidUtil::generate()), m_name(std::move(name)) {}

OmComponent::~OmComponent() = default;

void OmComponent::checkAttributeName(const std::string& name)
{
    if (name.empty())
        throw std::invalid_argument("An attribute name must not be empty.");
    if (name.find('>') != std::string::npos)
        throw std::invalid_argument("The attribute name \"" + name + "\" must not contain '>'.");
}

const std::string& OmComponent::getAttribute(const std::string& name) const
{
    const auto it = m_attributes.find(name);
    if (it == m_attributes.end())
        throw std::out_of_range("The component \"" + m_name + "\" has no attribute named \"" + name + "\".");
    return it->second;
}

void OmComponent::submitEdit(const RCShdPtr<CmCommand>& command) const
{
    if (CmCommandStack* stack = getEditStack())
        stack->submit(command);
    else
        command->execute();
}

void OmComponent::setName(const std::string& name)
{
    if (name == m_name)
        return;
    submitEdit(makeShared<OmNameCommand>(*this, name));
}

void OmComponent::setAttribute(const std::string& name, const std::string& value)
{
    checkAttributeName(name);
    const auto it = m_attributes.find(name);
    if (it != m_attributes.end() && it->second == value)
        return;
    submitEdit(makeShared<OmAttributeCommand>(*this, name, value));
}

void OmComponent::removeAttribute(const std::string& name)
{
    getAttribute(name); // throws for a missing attribute
    submitEdit(makeShared<OmAttributeCommand>(*this, name, std::nullopt));
}

void OmComponent::renameAttribute(const std::string& from, const std::string& to)
{
    getAttribute(from);
    checkAttributeName(to);
    if (from == to)
        return;
    if (hasAttribute(to))
        throw std::invalid_argument("The component \"" + m_name + "\" already has an attribute named \"" + to + "\".");
    submitEdit(makeShared<OmAttributeRenameCommand>(*this, from, to));
}

void OmComponent::applyAttribute(const std::string& name, const std::string* value)
{
    const auto it = m_attributes.find(name);
    if (!value) {
        if (it == m_attributes.end())
            return;
        m_attributes.erase(it);
        notifyComponentChange(OmComponentsHint::Kind::AttributeRemoved, name);
        return;
    }
    const bool added = it == m_attributes.end();
    if (!added && it->second == *value)
        return;
    m_attributes[name] = *value;
    notifyComponentChange(added ? OmComponentsHint::Kind::AttributeAdded : OmComponentsHint::Kind::AttributeChanged,
                          name);
}

void OmComponent::applyAttributeRename(const std::string& from, const std::string& to)
{
    auto node = m_attributes.extract(from);
    if (node.empty())
        return;
    node.key() = to;
    m_attributes.insert(std::move(node));
    notifyComponentChange(OmComponentsHint::Kind::AttributeRenamed, to, from);
}

void OmComponent::applyName(const std::string& name)
{
    if (name == m_name)
        return;
    m_name = name;
    notifyComponentChange(OmComponentsHint::Kind::NameChanged);
}

void OmComponent::notifyComponentChange(OmComponentsHint::Kind kind, const std::string& attribute,
                                        const std::string& oldAttribute) const
{
    // The hint keeps the component alive while observers look at it; a component that nobody
    // holds yet (being built) is not handed out.
    RCShdPtr<const OmComponent> self;
    if (getRefCount() > 0)
        self = RCShdPtr<const OmComponent>(this);
    notifyChange(ObHints(makeShared<OmComponentsHint>(kind, self, attribute, oldAttribute)));
}

} // namespace Vx
