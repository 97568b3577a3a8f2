#include "SlateControllerTestSupport.h"

#include <Vx/Msg/MsgServer.h>
#include <Vx/Pi/PiNode.h>
#include <Vx/Pi/PiUndoGuardNoLog.h>
#include <Vx/Px/PxRequestMgr.h>
#include <Vx/St/StBufferManager.h>

namespace Vx::test {

void describeSlateTool(PiImageModifier::Descriptor& descriptor)
{
    descriptor.stores(PiImageModifier::getMuteValueName(), PiValueType::Bool);
    descriptor.stores(PiImageModifier::getAffectValueName(), PiValueType::Int);
    descriptor.produces(PiImageModifier::getOutputName(), PiSocketType::Image);
    SlateController::describe(descriptor);
    PiImageModifier::describeMasking(descriptor);
}

SlateController* makeSlateController()
{
    PiImageModifier::Descriptor descriptor;
    describeSlateTool(descriptor);
    auto* controller = new SlateController;
    for (auto entry = descriptor.getPolicies(); !entry.atEnd(); ++entry)
        PiToolInterfaceManip::addInputPolicy(*controller, entry->getName(), entry->getPtr());
    return controller;
}

ValueChangeCounter::ValueChangeCounter(const RCShdPtr<PiValue>& value) : m_value(value)
{
    m_value->addListener(this);
}

ValueChangeCounter::~ValueChangeCounter()
{
    m_value->removeListener(this);
}

std::string resourcePath(const std::string& name)
{
    return std::string(SLATE_RESOURCE_DIR) + "/" + name;
}

PxImageFormat smallFormat()
{
    PxImageFormat format;
    format.width = 320;
    format.height = 180;
    return format;
}

void SlateControllerTest::SetUp()
{
    StBufferManager::initialize();
    SlateController::createStaticPolicies();
    m_sink = makeShared<MsgListSink>();
    m_previousSink = MsgServer::getInstance().setSink(RCShdPtr<MsgSink>(m_sink));
    m_messages = std::make_unique<MsgFileGuard>(resourcePath("slateTool.msg"));
    composition = PiComposition::create("shot010");
    graph = composition->createGraph("v001", 1, 100);
}

void SlateControllerTest::TearDown()
{
    composition->close();
    PxRequestMgr::getInstance().waitForIdle();
    m_messages.reset();
    MsgServer::getInstance().setSink(m_previousSink);
    SlateController::releaseStaticPolicies();
    StBufferManager::shutdown();
}

RCShdPtr<PiNode> SlateControllerTest::makeNode(const std::string& name, SlateController** controller,
                                               PiNodeOrigin origin, const std::map<std::string, PiValueContent>& saved)
{
    SlateController* made = makeSlateController();
    if (controller)
        *controller = made;
    return graph->createNode(name, OPtr<PiNodeController>(made), origin, saved);
}

void SlateControllerTest::setInput(const RCShdPtr<PiNode>& node, const std::string& name, const PiVariant& value)
{
    node->getInput(name, true)->setVariant(value);
}

void SlateControllerTest::setInputUnrecorded(const RCShdPtr<PiNode>& node, const std::string& name,
                                             const PiVariant& value)
{
    PiUndoGuardNoLog noLog;
    node->getInput(name, true)->setVariant(value);
}

void SlateControllerTest::setColor(const RCShdPtr<PiNode>& node, const std::string& name,
                                   const CoRgbColorTyped<float>& color)
{
    setInput(node, name + ".Red", double(color.red));
    setInput(node, name + ".Green", double(color.green));
    setInput(node, name + ".Blue", double(color.blue));
}

void SlateControllerTest::applyParams(const RCShdPtr<PiNode>& node, const SlateParams& p)
{
    using namespace SlateNames;
    setInput(node, kTextFont, p.font);
    setInput(node, kTextStyle, p.style);
    setInput(node, kTextSize, p.size);
    setColor(node, kTextColor, p.textColor);
    setInput(node, kTextOpacity, p.textOpacity);
    setInput(node, kDropShadow, p.shadow);
    setColor(node, kDropShadowColor, p.shadowColor);
    setInput(node, kDropShadowOpacity, p.shadowOpacity);
    setInput(node, kDropShadowOffset + ".X", p.shadowX);
    setInput(node, kDropShadowOffset + ".Y", p.shadowY);
    setInput(node, kBox, p.box);
    setColor(node, kBoxColor, p.boxColor);
    setInput(node, kBoxOpacity, p.boxOpacity);
    setInput(node, kBoxMargin, p.boxMargin);
    setInput(node, kOffset + ".X", p.offsetX);
    setInput(node, kOffset + ".Y", p.offsetY);
    setInput(node, kHorizontalAlignment, p.hAlign);
    setInput(node, kVerticalAlignment, p.vAlign);
}

std::string SlateControllerTest::getSubstitutedText(const RCShdPtr<PiNode>& node)
{
    return PiTypedValueUtil<std::string>(node->getStoredValue(SlateNames::kSubstitutedText, true), true)->getValue();
}

std::string SlateControllerTest::getText(const RCShdPtr<PiNode>& node, const std::string& input)
{
    return piVariantGet<std::string>(node->getInput(input, true)->getVariant());
}

int SlateControllerTest::getInt(const RCShdPtr<PiNode>& node, const std::string& input)
{
    return piVariantGet<int>(node->getInput(input, true)->getVariant());
}

} // namespace Vx::test
