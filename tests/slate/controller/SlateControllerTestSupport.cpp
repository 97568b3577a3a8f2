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

void SlateControllerTest::setInputUnrecorded(const RCShdPtr<PiNode>& node, const std::string& name,
                                             const PiVariant& value)
{
    PiUndoGuardNoLog noLog;
    node->getInput(name, true)->setVariant(value);
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
