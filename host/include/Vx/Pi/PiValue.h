// Values of a node: what its inputs and stored values hold, and how edits reach them.
//
// PiValue is the base of every value a node holds, inputs (PiInput) and stored values
// (PiTypedValue<T>) alike: a name, the policy that governs it, and its content (a constant or
// keyframes, PiTypes.h). Writing through setContent/setVariant/setValue is a user edit: the value
// is filtered by its policy and the change is recorded on the composition's command stack, unless
// a PiUndoGuardNoLog is open. Every change of content, edit or undo, is told in this order to the
// node's processing graph (its value nodes), to the value's listeners (PiInputValue objects) and
// to the node's controller (PiValueChangeInterface::valueChanged).
//
// PiTypedValueUtil<T> is the checked handle a tool keeps to a stored value. Main thread only.
#pragma once

#include <Vx/Pi/PiGraphObject.h>
#include <Vx/Pi/PiInputPolicy.h>
#include <Vx/Pi/PiTypes.h>
#include <Vx/RC/RCShdPtr.h>

#include <string>
#include <vector>

namespace Vx {

class PiNode;

/// Told when the content of a value changes (or, for animated content, when the time at which it
/// is read changes).
class PiValueListener
{
public:
    virtual ~PiValueListener() = default;
    virtual void valueContentChanged() = 0;
};

class PiValue : public RCObject, public PiGraphObject
{
public:
    PiValue(PiNode* node, std::string name, RCShdPtr<const PiInputPolicy> policy);
    ~PiValue() override;

    const std::string& getName() const { return m_name; }
    /// The node holding the value; null once the node is gone.
    RCShdPtr<PiNode> getNode() const;
    PiNode* getNodePtr() const { return m_node; }
    const RCShdPtr<const PiInputPolicy>& getPolicy() const { return m_policy; }

    /// Whether the value holds content (false for image and structured inputs).
    bool holdsValue() const { return m_holdsValue; }
    const PiValueContent& getContent() const { return m_content; }
    bool isAnimated() const { return m_content.isAnimated(); }
    /// The value at `time` (seconds).
    PiVariant getVariantAt(double time) const;
    /// The value at the composition's current time.
    PiVariant getVariant() const { return getVariantAt(getCurrentTime()); }
    /// Whether the content is valid for the policy (every key of keyframed content).
    bool isValid() const;

    /// Writes `content` as a user edit. The content is filtered by the policy first: a corrected
    /// value is stored corrected, a rejected one raises std::invalid_argument naming the value and
    /// this value's name, and keyframes raise it for a policy that cannot animate. Writing the
    /// content already held does nothing.
    void setContent(const PiValueContent& content);
    /// Writes a constant as a user edit (see setContent).
    void setVariant(const PiVariant& value) { setContent(PiValueContent(value)); }
    /// Writes keyframes as a user edit (see setContent).
    void setKeys(std::vector<PiKey> keys) { setContent(PiValueContent::fromKeys(std::move(keys))); }
    /// Writes the policy's default as a user edit.
    void resetToDefault();

    /// Registers `listener`, not owned, until it is removed. Const: listening changes nothing.
    void addListener(PiValueListener* listener) const;
    void removeListener(PiValueListener* listener) const;

    /// The time at which the value is read when no time is given: the composition's current time
    /// (0 without a composition), in seconds.
    double getCurrentTime() const;

    /// Host side: replaces the content without recording, and notifies.
    void applyContent(const PiValueContent& content);
    /// Host side: replaces the content without recording or notifying (a node being restored).
    void restoreContent(const PiValueContent& content) { m_content = filterContent(content); }
    /// Host side: `content` as the policy stores it (see setContent for the errors).
    PiValueContent filterContent(const PiValueContent& content) const;
    /// Host side: tells the listeners of animated content that the current time moved.
    void notifyTimeChanged() const;
    /// Host side: the node is going away.
    void detachFromNode() { m_node = nullptr; }
    /// Host side: calls every listener, oldest first; one removed meanwhile is not called.
    void notifyListeners() const;

private:
    PiNode* m_node;
    std::string m_name;
    RCShdPtr<const PiInputPolicy> m_policy;
    bool m_holdsValue;
    PiValueContent m_content;
    mutable std::vector<PiValueListener*> m_listeners;
};

/// A stored value of type T (bool, int, double, std::string, PxImageFormat).
template <class T> class PiTypedValue : public PiValue
{
public:
    using PiValue::PiValue;
    /// The value at the composition's current time.
    T getValue() const { return piVariantGet<T>(getVariant()); }
    /// Writes `value` as a user edit (see PiValue::setContent).
    void setValue(const T& value) { setVariant(PiVariant(value)); }
};

/// A checked handle to a stored value of type T.
template <class T> class PiTypedValueUtil
{
public:
    PiTypedValueUtil() = default;
    /// Wraps `value`. With `nullCheck`, a null value raises the host's null-pointer exception;
    /// a value of another type always raises the host's cast exception.
    PiTypedValueUtil(const RCShdPtr<PiValue>& value, bool nullCheck)
    {
        if (!value) {
            if (nullCheck)
                RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<PiValue>)));
            return;
        }
        auto* typed = dynamic_cast<PiTypedValue<T>*>(value.get());
        if (!typed) {
            // Named first: typeid of an expression with a call in it warns under clang.
            const auto& actual = *value;
            RCExUtil::throwExCastFailed(RCExUtil::typeName(typeid(actual)),
                                        RCExUtil::typeName(typeid(PiTypedValue<T>)));
        }
        m_value = RCShdPtr<PiTypedValue<T>>(typed);
    }

    bool isNull() const { return m_value.isNull(); }
    PiTypedValue<T>* get() const { return m_value.get(); }
    /// Raises the host's null-pointer exception when empty.
    PiTypedValue<T>* operator->() const { return m_value.operator->(); }
    PiTypedValue<T>& operator*() const { return *m_value; }

private:
    RCShdPtr<PiTypedValue<T>> m_value;
};

/// Read access to a stored image format, for the time of one call.
class PiImageFormatValueConst
{
public:
    /// Raises the host's null-pointer exception for a null value and its cast exception for a
    /// value that is not an image format.
    explicit PiImageFormatValueConst(const RCShdPtr<const PiValue>& value);
    PxImageFormat getValue() const;

private:
    RCShdPtr<const PiTypedValue<PxImageFormat>> m_value;
};

} // namespace Vx
