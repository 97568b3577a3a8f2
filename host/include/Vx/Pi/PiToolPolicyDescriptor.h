// The description of a tool: the ordered list of its inputs, stored values and outputs, each with
// its policy.
//
// A tool writes its description once per request (requires, stores, produces); the host keeps the
// entries in declaration order and builds each node's inputs from them. Entries are read back
// through an Iterator<PolicyEntry>, which shares the list it walks: copies are cheap and stay
// valid after the descriptor is gone. Main thread.
#pragma once

#include <Vx/Pi/PiInputPolicy.h>
#include <Vx/Pi/PiStructuredPolicyDescriptor.h>

#include <memory>
#include <string>
#include <vector>

namespace Vx {

/// The policy of a stored value: its value type and default (the type's zero value).
class PiStoredValuePolicy : public PiInputPolicy
{
public:
    explicit PiStoredValuePolicy(PiValueType type)
        : PiInputPolicy(PiSocketType::String, Role::StoredValue), m_type(type), m_default(piZeroValue(type))
    {
    }
    PiValueType getValueType() const { return m_type; }
    PiVariant getDefaultValue() const override { return m_default; }
    bool isValidValue(const PiVariant& value) const override { return value.index() == m_default.index(); }
    PiVariant filterVariant(const PiVariant& value) const override;
    bool hasSameType(const PiInputPolicy& other) const override;

private:
    PiValueType m_type;
    PiVariant m_default;
};

/// The policy of an output: its socket type.
class PiOutputPolicy : public PiInputPolicy
{
public:
    explicit PiOutputPolicy(PiSocketType socket) : PiInputPolicy(socket, Role::Output) {}
};

/// A read-only walk over a shared list. A default-constructed iterator is null (it walks nothing).
template <class T> class Iterator
{
public:
    Iterator() = default;
    explicit Iterator(std::shared_ptr<const std::vector<T>> items) : m_items(std::move(items)) {}

    /// Whether this iterator walks no list at all (as opposed to one that reached its end).
    bool isNull() const { return !m_items; }
    /// Whether every item was visited; a null iterator is at its end.
    bool atEnd() const { return !m_items || m_index >= m_items->size(); }
    /// The current item. Raises the host's null-pointer exception at the end.
    const T* operator->() const
    {
        if (atEnd())
            RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(Iterator)));
        return &(*m_items)[m_index];
    }
    const T& operator*() const { return *operator->(); }
    Iterator& operator++()
    {
        if (!atEnd())
            ++m_index;
        return *this;
    }
    /// How many items the list holds.
    std::size_t getCount() const { return m_items ? m_items->size() : 0; }

private:
    std::shared_ptr<const std::vector<T>> m_items;
    std::size_t m_index = 0;
};

class PiToolPolicyDescriptor
{
public:
    /// One declaration: a name and its policy. The policy tells the role (input, stored value,
    /// output) and the socket type.
    class PolicyEntry
    {
    public:
        PolicyEntry(std::string name, RCShdPtr<const PiInputPolicy> policy, int cardinality = 0)
            : m_name(std::move(name)), m_policy(std::move(policy)), m_cardinality(cardinality)
        {
        }
        const std::string& getName() const { return m_name; }
        /// The entry's policy; never null.
        const RCShdPtr<const PiInputPolicy>& getPtr() const { return m_policy; }
        PiInputPolicy::Role getRole() const { return m_policy->getRole(); }
        PiSocketType getSocketType() const { return m_policy->getSocketType(); }
        int getCardinality() const { return m_cardinality; }

    private:
        std::string m_name;
        RCShdPtr<const PiInputPolicy> m_policy;
        int m_cardinality;
    };

    PiToolPolicyDescriptor() = default;
    virtual ~PiToolPolicyDescriptor();
    PiToolPolicyDescriptor(const PiToolPolicyDescriptor&) = delete;
    PiToolPolicyDescriptor& operator=(const PiToolPolicyDescriptor&) = delete;

    /// Declares input `name` of `socket` with the host's default policy for that socket
    /// (PiInputPolicy::createDefault).
    void requires(const std::string& name, PiSocketType socket, PiSocketType::Cardinality cardinality);
    /// Declares input `name` of `socket` governed by `policy`. Throws std::invalid_argument when
    /// the policy is for another socket type (an enumeration policy serves Enumeration and Integer
    /// sockets alike) and the host's null-pointer exception for a null policy.
    void requires(const std::string& name, PiSocketType socket, const RCShdPtr<const PiInputPolicy>& policy,
                  PiSocketType::Cardinality cardinality);
    /// Declares the structured input `name` with the members of `structure` (addressed
    /// "name.member").
    void requires(const std::string& name, const PiStructuredPolicyDescriptor& structure,
                  PiSocketType::Cardinality cardinality);
    /// Declares a stored value: a value the node keeps without a socket.
    void stores(const std::string& name, PiValueType type);
    /// Declares an output of `socket`.
    void produces(const std::string& name, PiSocketType socket);

    /// The name of the input declared with a primary image policy; empty when there is none.
    std::string getPrimaryInput() const;
    /// The entries in declaration order; the iterator keeps them after the descriptor is gone.
    Iterator<PolicyEntry> getPolicies() const;
    std::size_t getEntryCount() const { return m_entries->size(); }
    /// The entry named `name`, or null.
    const PolicyEntry* findEntry(const std::string& name) const;
    /// Records an entry made elsewhere (a descriptor forwarding to the host's); see addEntry.
    void declare(const PolicyEntry& entry) { addEntry(entry); }

protected:
    /// Records an entry. Throws std::invalid_argument for an empty name or a name already declared.
    virtual void addEntry(const PolicyEntry& entry);

private:
    // Copied on write once an iterator shares it, so that iterators see the list as it was.
    std::shared_ptr<std::vector<PolicyEntry>> m_entries = std::make_shared<std::vector<PolicyEntry>>();
};

/// The host's own record of a tool's description, filled when the host describes a tool (for
/// listing it, or checking a saved composition against it).
class PiToolDescriptor : public PiToolPolicyDescriptor
{
};

} // namespace Vx
