// The object model: components (compositions, graphs, nodes) with an id, a name and user-defined
// attributes, observable through ObObserver<Om>.
//
// Every change of a component is told to its observers as an OmComponentsHint naming the kind of
// change and the component. Attribute edits are user edits: setAttribute, removeAttribute and
// renameAttribute go through the component's command stack (when it has one) and can be undone.
// Main thread only.
#pragma once

#include <Vx/Db/DbObjectId.h>
#include <Vx/Ob/ObObserver.h>
#include <Vx/RC/RCShdPtr.h>

#include <map>
#include <string>

namespace Vx {

/// The tag of the object model's observers: ObObserver<Om>, ObSubject<Om>.
struct Om
{
};

class CmCommandStack;
class OmComponent;

/// One change of one component.
class OmComponentsHint : public ObHint
{
public:
    enum class Kind
    {
        AttributeAdded,   ///< a user-defined attribute was added
        AttributeRemoved, ///< a user-defined attribute was removed
        AttributeRenamed, ///< a user-defined attribute got another name (getAttributeName is the new one)
        AttributeChanged, ///< a user-defined attribute or a property of the component got another value
        LinkChanged,      ///< a connection to one of the component's inputs was made or removed
        NameChanged,      ///< the component was renamed
    };

    /// `component` may be null: a change that concerns no particular component (default settings).
    OmComponentsHint(Kind kind, RCShdPtr<const OmComponent> component, std::string attributeName = {},
                     std::string oldAttributeName = {})
        : m_kind(kind), m_component(std::move(component)), m_attribute(std::move(attributeName)),
          m_oldAttribute(std::move(oldAttributeName))
    {
    }

    Kind getKind() const { return m_kind; }
    /// The component that changed; null when the change concerns none in particular.
    const RCShdPtr<const OmComponent>& getComponent() const { return m_component; }
    /// The attribute concerned (the new name for a rename); empty for other changes.
    const std::string& getAttributeName() const { return m_attribute; }
    /// The former name of a renamed attribute; empty otherwise.
    const std::string& getOldAttributeName() const { return m_oldAttribute; }

private:
    Kind m_kind;
    RCShdPtr<const OmComponent> m_component;
    std::string m_attribute;
    std::string m_oldAttribute;
};

class OmComponent;
/// The class that implements the object model's components (compositions, graphs, nodes).
using OmComponentImp = OmComponent;

/// The subject side of `Imp`: attachObserver and detachObserver (from ObSubject<Om>) as the
/// components of the object model offer them, so that a composition or a graph can be observed
/// through OmSubjectInterface<OmComponentImp> whatever else it derives from. Observers get a
/// `const ObSubject<Om>&` in update; down-cast it to the component type to read it.
template <class Imp> class OmSubjectInterface : public ObSubject<Om>
{
public:
    using ObSubject<Om>::attachObserver;
    using ObSubject<Om>::detachObserver;

protected:
    OmSubjectInterface() = default;
    ~OmSubjectInterface() override = default;
};

class OmComponent : public RCObject, public OmSubjectInterface<OmComponentImp>
{
public:
    explicit OmComponent(std::string name);
    ~OmComponent() override;

    const DbObjectId& getId() const { return m_id; }
    const std::string& getName() const { return m_name; }
    /// Renames the component (an edit, undoable); observers get a NameChanged hint.
    void setName(const std::string& name);

    bool hasAttribute(const std::string& name) const { return m_attributes.count(name) != 0; }
    /// The value of attribute `name`. Throws std::out_of_range naming the attribute when missing.
    const std::string& getAttribute(const std::string& name) const;
    /// All attributes by name.
    const std::map<std::string, std::string>& getAttributes() const { return m_attributes; }

    /// Adds attribute `name` or changes its value (an edit, undoable). Setting the value it already
    /// has does nothing. Throws std::invalid_argument for an empty name or one containing '>'.
    void setAttribute(const std::string& name, const std::string& value);
    /// Removes attribute `name` (an edit, undoable). Throws std::out_of_range when it is missing.
    void removeAttribute(const std::string& name);
    /// Gives attribute `from` the name `to` (an edit, undoable). Throws std::out_of_range when
    /// `from` is missing and std::invalid_argument when `to` is invalid or already used.
    void renameAttribute(const std::string& from, const std::string& to);

    /// The stack that records this component's edits; null when edits apply unrecorded.
    virtual CmCommandStack* getEditStack() const { return nullptr; }

    /// Host side: applies an attribute value without recording, and notifies (`value` null:
    /// removes it). Used by the edit commands.
    void applyAttribute(const std::string& name, const std::string* value);
    /// Host side: applies an attribute rename without recording, and notifies.
    void applyAttributeRename(const std::string& from, const std::string& to);
    /// Host side: applies a name without recording, and notifies.
    void applyName(const std::string& name);

    /// Tells the observers of this component (and of the components that report its changes, see
    /// notifyChange) about one change of kind `kind`.
    void notifyComponentChange(OmComponentsHint::Kind kind, const std::string& attribute = {},
                               const std::string& oldAttribute = {}) const;

protected:
    /// Delivers the hints of a change of this component. The default tells this component's
    /// observers; a component contained in another (a node in its graph) also tells the container's.
    virtual void notifyChange(const ObHints& hints) const { notifyObservers(hints); }
    /// Records `command` on the command stack, or executes it at once without one.
    void submitEdit(const RCShdPtr<class CmCommand>& command) const;

private:
    static void checkAttributeName(const std::string& name);

    DbObjectId m_id;
    std::string m_name;
    std::map<std::string, std::string> m_attributes;
};

} // namespace Vx
