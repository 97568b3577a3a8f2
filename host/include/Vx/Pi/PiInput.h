// Inputs and outputs of a node.
//
// Every input is fed by an output. An image input is fed by the output of another node once
// connected (PiGraph::connect) and by nothing otherwise. A value input is fed by its own value
// source, an output of its node that carries the input's content, so that getOutput() is never
// null for a value input unless that source was removed (PiGraph::disconnect). isConnected() is
// true only for a connection from another node. Structured inputs hold no value; their members
// are inputs named structure + "." + member. Main thread only.
#pragma once

#include <Vx/Pi/PiValue.h>

#include <string>
#include <vector>

namespace Vx {

class PiOutput : public RCObject, public PiGraphObject
{
public:
    enum class Kind
    {
        Image,       ///< a node's image output, which image inputs connect to
        ValueSource, ///< the source of a value input's content
    };

    PiOutput(PiNode* node, std::string name, PiSocketType socket, Kind kind)
        : m_node(node), m_name(std::move(name)), m_socket(socket), m_kind(kind)
    {
    }
    ~PiOutput() override;

    const std::string& getName() const { return m_name; }
    PiSocketType getSocketType() const { return m_socket; }
    Kind getKind() const { return m_kind; }
    bool isValueSource() const { return m_kind == Kind::ValueSource; }
    /// The node that produces this output; null once the node is gone.
    RCShdPtr<PiNode> getNode() const;
    PiNode* getNodePtr() const { return m_node; }
    /// Host side: the node is going away.
    void detachFromNode() { m_node = nullptr; }

private:
    PiNode* m_node;
    std::string m_name;
    PiSocketType m_socket;
    Kind m_kind;
};

class PiInput : public PiValue
{
public:
    PiInput(PiNode* node, std::string name, RCShdPtr<const PiInputPolicy> policy, PiInput* parent);
    ~PiInput() override;

    PiSocketType getSocketType() const { return getPolicy()->getSocketType(); }
    bool isImageInput() const { return getSocketType() == PiSocketType::Image; }
    /// Whether this is the node's primary image input.
    bool isPrimary() const;

    /// The output feeding this input, or null.
    const RCShdPtr<PiOutput>& getOutput() const { return m_output; }
    /// Whether an output of another node feeds this input.
    bool isConnected() const { return m_output && !m_output->isValueSource(); }

    /// The member inputs of a structured input, in declaration order; empty otherwise.
    const std::vector<RCShdPtr<PiInput>>& getMembers() const { return m_members; }
    /// The structure this input is a member of, or null.
    PiInput* getParent() const { return m_parent; }

    /// Host side: replaces the feeding output, without recording or notifying.
    void applyOutput(const RCShdPtr<PiOutput>& output) { m_output = output; }
    void addMember(const RCShdPtr<PiInput>& member) { m_members.push_back(member); }
    /// Host side: the node is going away; drops links that would keep objects alive.
    void releaseLinks();

private:
    PiInput* m_parent;
    RCShdPtr<PiOutput> m_output;
    std::vector<RCShdPtr<PiInput>> m_members;
};

} // namespace Vx
