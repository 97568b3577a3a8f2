// Values, inputs and outputs, and the edits that change them.
#include <Vx/Pi/PiValue.h>

#include <Vx/Cm/CmCommandStack.h>
#include <Vx/Pi/PiComposition.h>
#include <Vx/Pi/PiImageInputPolicy.h>
#include <Vx/Pi/PiInput.h>
#include <Vx/Pi/PiNode.h>
#include <Vx/Pi/PiUndoGuardNoLog.h>

#include <algorithm>
#include <stdexcept>

namespace Vx {

namespace {

/// Replaces a value's content; undo restores the content it had.
class PiSetContentCommand : public CmCommand
{
public:
    PiSetContentCommand(PiValue& value, PiValueContent content) : m_value(&value), m_content(std::move(content)) {}
    std::string getName() const override { return "Set " + m_value->getName(); }
    void execute() override
    {
        m_previous = m_value->getContent();
        m_value->applyContent(m_content);
    }
    void undo() override { m_value->applyContent(m_previous); }

private:
    RCShdPtr<PiValue> m_value;
    PiValueContent m_content;
    PiValueContent m_previous;
};

} // namespace

PiValue::PiValue(PiNode* node, std::string name, RCShdPtr<const PiInputPolicy> policy)
    : m_node(node), m_name(std::move(name)), m_policy(std::move(policy))
{
    if (!m_policy)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<const PiInputPolicy>)));
    const int socket = m_policy->getSocketType();
    m_holdsValue = m_policy->getRole() == PiInputPolicy::Role::StoredValue ||
                   (m_policy->getRole() == PiInputPolicy::Role::Input && socket != PiSocketType::Image &&
                    socket != PiSocketType::Structured && socket != PiSocketType::Color);
    if (m_holdsValue)
        m_content = PiValueContent(m_policy->getDefaultValue());
}

PiValue::~PiValue() = default;

RCShdPtr<PiNode> PiValue::getNode() const
{
    return RCShdPtr<PiNode>(m_node);
}

PiVariant PiValue::getVariantAt(double time) const
{
    if (!m_holdsValue)
        throw std::logic_error("The input \"" + m_name + "\" holds no value of its own.");
    return m_content.evaluate(time);
}

bool PiValue::isValid() const
{
    if (!m_holdsValue)
        return true;
    if (!m_content.isAnimated())
        return m_policy->isValidValue(m_content.getConstant());
    return std::all_of(m_content.getKeys().begin(), m_content.getKeys().end(),
                       [this](const PiKey& key) { return m_policy->isValidValue(key.value); });
}

double PiValue::getCurrentTime() const
{
    if (!m_node || !m_node->getGraphPtr())
        return 0.0;
    const RCShdPtr<PiComposition> composition = m_node->getGraphPtr()->getComposition();
    return composition ? composition->getCurrentTime() : 0.0;
}

PiValueContent PiValue::filterContent(const PiValueContent& content) const
{
    if (!m_holdsValue)
        throw std::invalid_argument("The input \"" + m_name + "\" holds no value of its own and cannot be written.");
    try {
        if (!content.isAnimated())
            return PiValueContent(m_policy->filterVariant(content.getConstant()));
        if (!m_policy->canAnimate())
            throw std::invalid_argument("The value cannot be keyframed.");
        std::vector<PiKey> keys = content.getKeys();
        for (PiKey& key : keys)
            key.value = m_policy->filterVariant(key.value);
        return PiValueContent::fromKeys(std::move(keys));
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument("\"" + m_name + "\" does not accept the value written: " + e.what());
    }
}

void PiValue::setContent(const PiValueContent& content)
{
    const PiValueContent filtered = filterContent(content);
    if (filtered == m_content)
        return;
    const RCShdPtr<CmCommand> command = makeShared<PiSetContentCommand>(*this, filtered);
    if (CmCommandStack* stack = m_node ? m_node->getEditStack() : nullptr)
        stack->submit(command);
    else
        command->execute();
}

void PiValue::resetToDefault()
{
    if (!m_holdsValue)
        return;
    PiValueContent content;
    m_policy->resetValue(content);
    setContent(content);
}

void PiValue::addListener(PiValueListener* listener) const
{
    if (listener && std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void PiValue::removeListener(PiValueListener* listener) const
{
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
}

void PiValue::notifyListeners() const
{
    // A listener may add or remove listeners; one removed meanwhile is not called.
    const std::vector<PiValueListener*> snapshot = m_listeners;
    for (PiValueListener* listener : snapshot)
        if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end())
            listener->valueContentChanged();
}

void PiValue::applyContent(const PiValueContent& content)
{
    if (content == m_content)
        return;
    m_content = content;
    if (m_node)
        m_node->notifyValueChanged(*this); // tells the listeners too
    else
        notifyListeners();
}

void PiValue::notifyTimeChanged() const
{
    if (m_content.isAnimated())
        notifyListeners();
}

PiOutput::~PiOutput() = default;

RCShdPtr<PiNode> PiOutput::getNode() const
{
    return RCShdPtr<PiNode>(m_node);
}

PiInput::PiInput(PiNode* node, std::string name, RCShdPtr<const PiInputPolicy> policy, PiInput* parent)
    : PiValue(node, std::move(name), std::move(policy)), m_parent(parent)
{
}

PiInput::~PiInput() = default;

bool PiInput::isPrimary() const
{
    const auto* image = dynamic_cast<const PiImageInputPolicy*>(getPolicy().get());
    return image && image->isPrimary();
}

void PiInput::releaseLinks()
{
    m_output.reset();
    for (const auto& member : m_members)
        member->releaseLinks();
    detachFromNode();
}

PiImageFormatValueConst::PiImageFormatValueConst(const RCShdPtr<const PiValue>& value)
{
    if (!value)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<const PiValue>)));
    const auto* format = dynamic_cast<const PiTypedValue<PxImageFormat>*>(value.get());
    if (!format) {
        // Named first: typeid of an expression with a call in it warns under clang.
        const auto& actual = *value;
        RCExUtil::throwExCastFailed(RCExUtil::typeName(typeid(actual)),
                                    RCExUtil::typeName(typeid(PiTypedValue<PxImageFormat>)));
    }
    m_value = RCShdPtr<const PiTypedValue<PxImageFormat>>(format);
}

PxImageFormat PiImageFormatValueConst::getValue() const
{
    return m_value->getValue();
}

PiUndoGuardNoLog::PiUndoGuardNoLog(bool keepLogging) : m_active(!keepLogging)
{
    if (m_active)
        CmCommandStack::suspendLogging();
}

PiUndoGuardNoLog::~PiUndoGuardNoLog()
{
    if (m_active)
        CmCommandStack::resumeLogging();
}

} // namespace Vx
