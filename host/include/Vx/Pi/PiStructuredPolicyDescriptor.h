// Structured inputs: an input made of named members, each an input of its own.
//
// A tool builds a PiStructuredPolicyDescriptor (add, once per member, in order) and declares the
// structure with PiToolPolicyDescriptor::requires. The node then has the structure's input (which
// holds no value) and one input per member, named structure + "." + member ("Offset.X"). A colour
// input is a structure of three doubles, "Red", "Green" and "Blue".
#pragma once

#include <Vx/Pi/PiInputPolicy.h>

#include <string>
#include <vector>

namespace Vx {

class PiStructuredInputPolicy : public PiInputPolicy
{
public:
    struct Member
    {
        std::string name;
        RCShdPtr<const PiInputPolicy> policy; ///< never null
    };

    PiStructuredInputPolicy(PiSocketType socket, std::vector<Member> members)
        : PiInputPolicy(socket), m_members(std::move(members))
    {
    }
    const std::vector<Member>& getMembers() const { return m_members; }
    bool hasSameType(const PiInputPolicy& other) const override;

private:
    std::vector<Member> m_members;
};

class PiStructuredPolicyDescriptor
{
public:
    /// Adds member `name` of `socket` with the host's default policy for it.
    void add(const std::string& name, PiSocketType socket, PiSocketType::Cardinality cardinality);
    /// Adds member `name` of `socket` governed by `policy`. Throws std::invalid_argument for an
    /// empty or repeated name, a name containing '.', a socket without a value of its own, or a
    /// policy of another socket.
    void add(const std::string& name, PiSocketType socket, const RCShdPtr<const PiInputPolicy>& policy,
             PiSocketType::Cardinality cardinality);

    const std::vector<PiStructuredInputPolicy::Member>& getMembers() const { return m_members; }
    /// The policy of the structure, for `socket` Structured or Color. Throws std::invalid_argument
    /// when no member was added.
    RCShdPtr<const PiStructuredInputPolicy> createPolicy(PiSocketType socket = PiSocketType::Structured) const;

private:
    std::vector<PiStructuredInputPolicy::Member> m_members;
};

/// Throws std::invalid_argument unless `policy` may govern an input of `socket`.
void piCheckPolicySocket(const std::string& name, PiSocketType socket, const PiInputPolicy& policy);

} // namespace Vx
