// Input policies: what an input of a tool accepts, its default, its domain and how it animates.
//
// A tool's description gives each input a policy (PiToolPolicyDescriptor::requires); the host
// builds the node's inputs from them and filters every value written to an input through its
// policy. Policies are immutable once made and shared by every node of a tool (reference counted,
// counts change atomically), so one policy object may serve many nodes at once.
//
// PiInputPolicy is the untyped base the host works with; PiTypedInputPolicy<T> is the base of the
// policies of one value type, whose virtual operations a tool overrides to give its own validity
// test and default (a font policy, say). Main thread, except that a policy may be read anywhere.
#pragma once

#include <Vx/Pi/PiTypes.h>
#include <Vx/RC/RCShdPtr.h>

#include <string>
#include <vector>

namespace Vx {

class PiInputPolicy : public RCObject
{
public:
    /// What an entry of a description declares.
    enum class Role
    {
        Input,       ///< an input of the node (requires)
        StoredValue, ///< a value the node stores without a socket (stores)
        Output,      ///< an output of the node (produces)
    };

    explicit PiInputPolicy(PiSocketType socket, Role role = Role::Input) : m_socket(socket), m_role(role) {}
    ~PiInputPolicy() override;

    PiSocketType getSocketType() const { return m_socket; }
    Role getRole() const { return m_role; }

    /// Whether values may be keyframed. False unless a policy says otherwise.
    virtual bool canAnimate() const;
    virtual PiExtrapolationType getDefaultExtrapolationType() const;
    /// Linear for animatable double values, Constant otherwise.
    virtual PiInterpolationType getDefaultInterpolationType() const;
    /// Whether the user may edit the value (true unless a policy says otherwise).
    virtual bool isUserEditable() const;
    /// Whether user interfaces hide the input (false unless a policy says otherwise).
    virtual bool isHidden() const;
    /// Whether `other` governs values of the same kind: same socket, role and policy class.
    virtual bool hasSameType(const PiInputPolicy& other) const;
    /// Sets `content` to the policy's default, as a constant.
    virtual void resetValue(PiValueContent& content) const;
    /// The labels of the domain's values, in domain order; empty for an open domain.
    virtual std::vector<std::string> getDomainLabels() const;
    /// Whether every value of the policy's type is accepted unchanged (no filtering, no rejection).
    virtual bool isPassAll() const;

    /// The default value. Throws std::logic_error for a policy whose input holds no value of its
    /// own (image, structured, output).
    virtual PiVariant getDefaultValue() const;
    /// Whether `value` is valid for this policy. Values of another type are not.
    virtual bool isValidValue(const PiVariant& value) const;
    /// The value actually stored when `value` is written: the value itself, or its correction.
    /// Throws std::invalid_argument naming the value when the policy rejects it, and
    /// RCExCastFailed for a value of another type.
    virtual PiVariant filterVariant(const PiVariant& value) const;

    /// The policy that an input of `socket` declared without one gets: no range, not hidden,
    /// animatable where the type allows it, and the type's zero value as default (a colour is three
    /// doubles at 0.0). Throws std::invalid_argument for Structured, which needs its members.
    static RCShdPtr<const PiInputPolicy> createDefault(PiSocketType socket);

private:
    PiSocketType m_socket;
    Role m_role;
};

namespace detail {
template <class T> constexpr int defaultSocketOf()
{
    if constexpr (std::is_same_v<T, bool>)
        return PiSocketType::Switch;
    else if constexpr (std::is_same_v<T, int>)
        return PiSocketType::Integer;
    else if constexpr (std::is_same_v<T, double>)
        return PiSocketType::Double;
    else
        return PiSocketType::String;
}
} // namespace detail

/// The base of the policies of values of type T (bool, int, double or std::string).
template <class T> class PiTypedInputPolicy : public PiInputPolicy
{
public:
    /// `animatable`: whether the values may be keyframed.
    explicit PiTypedInputPolicy(bool animatable, PiSocketType socket = detail::defaultSocketOf<T>())
        : PiInputPolicy(socket), m_animatable(animatable)
    {
    }

    bool canAnimate() const override { return m_animatable; }

    /// Whether `value` is valid. An invalid value is still stored when written (unless
    /// filterValue rejects it); the host and the tool report it. The default accepts everything.
    virtual bool isValid(const T& value) const
    {
        (void)value;
        return true;
    }
    /// The value stored when `value` is written; throws std::invalid_argument to reject it. The
    /// default stores the value unchanged.
    virtual T filterValue(const T& value) const { return value; }
    /// The default value; the default is T's zero value.
    virtual T getDefault() const { return T{}; }
    /// The smallest and largest values of a bounded domain; the default for an open one.
    virtual T getMin() const { return getDefault(); }
    virtual T getMax() const { return getDefault(); }
    /// The values of a closed domain, in order; empty for an open domain.
    virtual std::vector<T> getDomain() const { return {}; }
    /// The label of a value of a closed domain; empty when it has none.
    virtual std::string getDomainLabel(const T& value) const
    {
        (void)value;
        return {};
    }

    PiVariant getDefaultValue() const override { return getDefault(); }
    bool isValidValue(const PiVariant& value) const override
    {
        const T* typed = std::get_if<T>(&value);
        return typed && isValid(*typed);
    }
    PiVariant filterVariant(const PiVariant& value) const override { return filterValue(piVariantGet<T>(value)); }

private:
    bool m_animatable;
};

} // namespace Vx
