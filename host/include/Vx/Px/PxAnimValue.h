// Animated values: the nodes through which a tool input's value reaches the processing graph.
//
// PxAnimValueProtocol<T> yields the value at a time with the interval over which it holds.
// PxAnimValueNode<T> is the host's node for it: a constant (valid for all time) or keyframes.
// Keyframed values interpolate linearly between keys for double and colour values and hold the
// previous key's value for int, bool and string values; their results are valid for the frame
// asked for only. Before the first key and after the last the end key's value holds.
// T is one of int, double, bool, std::string, CoRgbColorTyped<float>.
#pragma once

#include <Vx/Co/CoColor.h>
#include <Vx/Px/PxNode.h>
#include <Vx/Px/PxRequestMgr.h>
#include <Vx/Px/PxValidityInterval.h>
#include <Vx/Tm/Rational.h>
#include <Vx/Tm/TmTimeUtil.h>

#include <algorithm>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace Vx {

template <class T> class PxAnimValueProtocol : public virtual PxNode
{
public:
    using PxNode::PxNode;
    /// The value at `time` (seconds) and the interval over which it holds. Any thread.
    virtual PxResult<T> getValue(double time) const = 0;
};

namespace detail {
template <class T> T interpolate(const T& a, const T& b, double t)
{
    if constexpr (std::is_same_v<T, double>) {
        return a + (b - a) * t;
    } else if constexpr (std::is_same_v<T, CoRgbColorTyped<float>>) {
        const auto mix = [t](float x, float y) { return float(double(x) + (double(y) - double(x)) * t); };
        return {mix(a.red, b.red), mix(a.green, b.green), mix(a.blue, b.blue)};
    } else {
        (void)b;
        (void)t;
        return a; // stepped: the earlier key holds until the next
    }
}
} // namespace detail

template <class T> class PxAnimValueNode : public PxAnimValueProtocol<T>
{
public:
    struct Key
    {
        double time; ///< seconds
        T value;
    };

    /// A constant value with the interval it was given.
    PxAnimValueNode(const PxNode::Init& init, const PxResult<T>& constant) : PxNode(init), m_constant(constant) {}
    /// Keyframes (sorted here by time); results are valid for one frame of `frameRate`.
    PxAnimValueNode(const PxNode::Init& init, std::vector<Key> keys, const Rational& frameRate)
        : PxNode(init), m_keys(std::move(keys)), m_frameRate(frameRate)
    {
        std::stable_sort(m_keys.begin(), m_keys.end(), [](const Key& a, const Key& b) { return a.time < b.time; });
    }

    PxResult<T> getValue(double time) const override
    {
        if (m_keys.empty())
            return m_constant;
        const PxValidityInterval frame = PxValidityInterval::createFrameInterval(m_frameRate, time);
        if (time <= m_keys.front().time)
            return {m_keys.front().value, frame};
        if (time >= m_keys.back().time)
            return {m_keys.back().value, frame};
        const auto next =
            std::upper_bound(m_keys.begin(), m_keys.end(), time, [](double t, const Key& k) { return t < k.time; });
        const Key& a = *(next - 1);
        const Key& b = *next;
        return {detail::interpolate(a.value, b.value, (time - a.time) / (b.time - a.time)), frame};
    }

    bool isAnimated() const { return !m_keys.empty(); }

    /// Replace the value; only from a request (PxSetRequest) executing on the worker thread.
    void setConstant(const PxResult<T>& constant)
    {
        m_keys.clear();
        m_constant = constant;
    }
    void setKeys(const std::vector<Key>& keys)
    {
        m_keys = keys;
        std::stable_sort(m_keys.begin(), m_keys.end(), [](const Key& a, const Key& b) { return a.time < b.time; });
    }

private:
    PxResult<T> m_constant;
    std::vector<Key> m_keys;
    Rational m_frameRate{24, 1};
};

/// The request that calls one setter of a node with one argument on the worker thread, then
/// invalidates the node over the request's interval (flag -2: "changed by a request").
template <class Node, class Arg> class PxSetRequest : public PxRequest
{
public:
    using Value = std::decay_t<Arg>;
    using Setter = void (Node::*)(Arg);

    PxSetRequest(const RCShdPtr<Node>& node, Setter setter, Value value, const PxValidityInterval& interval)
        : m_node(node), m_setter(setter), m_value(std::move(value)), m_interval(interval)
    {
    }

    void getRequestType(std::uint8_t& record) const override { record = std::uint8_t((record & ~kTypeMask) | Set); }
    void performExecute() override
    {
        Node& node = *m_node; // raises RCExNullPtr for a request without a node
        (node.*m_setter)(m_value);
        node.invalidate(m_interval, -2);
    }

    const Value& getValue() const { return m_value; }

private:
    RCShdPtr<Node> m_node;
    Setter m_setter;
    Value m_value;
    PxValidityInterval m_interval;
};

} // namespace Vx
