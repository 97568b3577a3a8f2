// A tool's view of one input's value, with the handlers that react when it changes.
//
// A PiInputValue<T> reads an input at a time (its time path, or the composition's current time).
// It is invalid from creation until its first update(), and becomes invalid again whenever the
// input's content changes (or, for animated content, the current time moves). On the change from
// valid to invalid it calls its invalidation handler once; further changes while it is invalid
// call nothing. update() marks the value valid and calls the update handler.
//
// The convention for handlers: the invalidation handler only asks the value to update; the update
// handler does the work and ends with `if (value->isInvalid()) value->update();`. update() is not
// re-entrant: called from inside the update handler (by that final check, or by the invalidation
// handler when the handler's own work changed the input), it asks for one more run, which starts
// when the current run ends and sees the newer content.
//
// Handlers are not owned: a handler destroyed while set is forgotten (the value then has none),
// and setting another handler, or null, replaces it. Main thread only.
#pragma once

#include <Vx/Cb/CbHandler.h>
#include <Vx/Pi/PiInput.h>

namespace Vx {

/// A fixed time at which values are read, in seconds.
class PiTimePath : public RCObject
{
public:
    explicit PiTimePath(double seconds) : m_seconds(seconds) {}
    double getTime() const { return m_seconds; }

private:
    double m_seconds;
};

template <class T> class PiInputValue : public RCObject, private PiValueListener
{
public:
    using Handler = CbHandler<void>;

    /// A read-only value of `input` read at `timePath` (null: the current time). Raises the host's
    /// null-pointer exception for a null input and its cast exception when the input does not hold
    /// values of type T.
    static RCShdPtr<const PiInputValue> createTypedRO(const RCShdPtr<const PiInput>& input,
                                                      const RCShdPtr<const PiTimePath>& timePath = {})
    {
        return RCShdPtr<const PiInputValue>(new PiInputValue(input, timePath));
    }
    /// A writable value of `input` (see createTypedRO).
    static RCShdPtr<PiInputValue> createTyped(const RCShdPtr<PiInput>& input,
                                              const RCShdPtr<const PiTimePath>& timePath = {})
    {
        return RCShdPtr<PiInputValue>(new PiInputValue(input, timePath));
    }

    ~PiInputValue() override { m_input->removeListener(this); }

    /// The input's value at the value's time.
    T getValue() const { return piVariantGet<T>(m_input->getVariantAt(getTime())); }
    /// Writes a constant to the input as a user edit (see PiValue::setContent).
    void setValue(const T& value) { const_cast<PiInput&>(*m_input).setVariant(PiVariant(value)); }

    bool isInvalid() const { return m_invalid; }
    /// Marks the value valid and calls the update handler. Called from inside the update handler,
    /// it only asks for one more run, made as soon as the current run ends.
    void update() const
    {
        if (m_updating) {
            m_rerun = true;
            return;
        }
        m_updating = true;
        struct Reset
        {
            bool& flag;
            ~Reset() { flag = false; }
        } reset{m_updating};
        do {
            m_rerun = false;
            m_invalid = false;
            if (Handler* handler = m_updateHandler.get())
                handler->call();
        } while (m_rerun);
    }
    /// Calls `handler` on update() from now on (null: none) until another is set or the handler
    /// is destroyed.
    void setUpdateHandler(Handler* handler) const { m_updateHandler.set(handler); }
    /// Calls `handler` when the value becomes invalid (null: none) until another is set or the
    /// handler is destroyed.
    void setInvalidationHandler(Handler* handler) const { m_invalidationHandler.set(handler); }

    const RCShdPtr<const PiInput>& getInput() const { return m_input; }
    /// The time at which the value is read, in seconds.
    double getTime() const { return m_timePath ? m_timePath->getTime() : m_input->getCurrentTime(); }

private:
    PiInputValue(const RCShdPtr<const PiInput>& input, const RCShdPtr<const PiTimePath>& timePath)
        : m_input(input), m_timePath(timePath)
    {
        if (!m_input)
            RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<const PiInput>)));
        if (!m_input->holdsValue() || !std::holds_alternative<T>(m_input->getContent().getConstant()))
            RCExUtil::throwExCastFailed(std::string("input \"") + m_input->getName() + "\" of socket type " +
                                            m_input->getSocketType().getName(),
                                        RCExUtil::typeName(typeid(PiInputValue)));
        m_input->addListener(this);
    }

    void valueContentChanged() override
    {
        const bool wasValid = !m_invalid;
        m_invalid = true;
        Handler* handler = m_invalidationHandler.get();
        if (wasValid && handler)
            handler->call();
    }

    RCShdPtr<const PiInput> m_input;
    RCShdPtr<const PiTimePath> m_timePath;
    mutable bool m_invalid = true;
    mutable bool m_updating = false;
    mutable bool m_rerun = false;
    mutable CbHandlerSlot<Handler> m_updateHandler;
    mutable CbHandlerSlot<Handler> m_invalidationHandler;
};

} // namespace Vx
