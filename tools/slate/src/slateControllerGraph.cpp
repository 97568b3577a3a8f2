// The Slate controller's processing chain.
//
//   modifier form (primary input connected):
//       primary input's node --> SlateProcNode                         --> result
//   generator form (nothing connected):
//       PxImageFormatNode --> PxColorSourceNode --> SlateProcNode --> PiImageRepeatNode
//                                                                 --> PiImageTimeOffsetNode --> result
//
// The SlateProcNode reads twenty-four value nodes (eighteen, and six of typography), the same in
// both forms; "Text" is not among them: its text arrives already substituted, at construction and
// later by set-request. The composition's timecode origin is handed to the SlateProcNode as it is
// built.
#include "slateController.h"

#include <Vx/Pi/PiColorProcNode.h>
#include <Vx/Pi/PiImageGenerator.h>
#include <Vx/Pi/PiImageRepeatNode.h>
#include <Vx/Pi/PiImageTimeOffsetNode.h>
#include <Vx/Pi/PiNode.h>
#include <Vx/Px/PxColorSourceNode.h>

namespace Vx {

namespace {

using ValueNode = PxNodePtr<PxNode const>;

/// The colour node of colour input `name`, which combines the value nodes of its three members.
ValueNode makeColorNode(PiToolTopologyInterface::OutputPublisher& publisher, PiNode& node, const std::string& name)
{
    return ValueNode(pxCreateNode<PiColorProcNode>(publisher, node.getInput(name, true)));
}

std::string member(const std::string& structure, const std::string& memberName)
{
    return structure + "." + memberName;
}

} // namespace

PxNodePtr<PxImageProtocol const>
SlateController::createModifierProcNode(OutputPublisher& publisher, const PxNodePtr<PxImageProtocol const>& inputNode)
{
    using namespace SlateNames;
    using G = PiImageGenerator;

    publisher.beginOutput();
    const RCShdPtr<PiNode> node = getNode();
    PiNode& piNode = *node;

    PxNodePtr<PxImageProtocol const> source;
    if (getPrimaryInput()->isConnected()) {
        formatNode.reset();
        source = inputNode;
    } else {
        const PxImageFormat format =
            PiImageFormatValueConst(RCShdPtr<const PiValue>(piNode.getStoredValue(G::getFormatValueName(), true).get()))
                .getValue();
        formatNode = pxCreateNode<PxImageFormatNode>(format);
        const auto xResolution =
            pxDownCast<PxAnimValueProtocol<int> const>(publisher.getInputNode(G::getXResolutionInputName()));
        const auto yResolution =
            pxDownCast<PxAnimValueProtocol<int> const>(publisher.getInputNode(G::getYResolutionInputName()));
        const PxNodePtr<PxAnimValueProtocol<CoRgbColorTyped<float>> const> fillColor(
            pxCreateNode<PiColorProcNode>(publisher, piNode.getInput(G::getFillColorInputName(), true)));
        const auto fillAlpha =
            pxDownCast<PxAnimValueProtocol<double> const>(publisher.getInputNode(G::getFillAlphaInputName()));
        // The colour source's second colour does not change its pixels; it is fed constants so
        // that it never invalidates the slate.
        const PxNodePtr<PxAnimValueProtocol<CoRgbColorTyped<float>> const> black(
            pxCreateNode<PxAnimValueNode<CoRgbColorTyped<float>>>(
                PxResult<CoRgbColorTyped<float>>(CoRgbColorTyped<float>::ZERO, PxValidityInterval::FULL)));
        const PxNodePtr<PxAnimValueProtocol<double> const> zero(
            pxCreateNode<PxAnimValueNode<double>>(PxResult<double>(0.0, PxValidityInterval::FULL)));
        source = PxNodePtr<PxImageProtocol const>(
            pxCreateNode<PxColorSourceNode>(PxNodePtr<PxImageFormatProtocol const>(formatNode), xResolution,
                                            yResolution, fillColor, fillAlpha, black, zero));
    }

    const std::string text = substitutedText->getValue();

    const ValueNode textFont = publisher.getInputNode(kTextFont);
    const ValueNode textStyle = publisher.getInputNode(kTextStyle);
    const ValueNode textSize = publisher.getInputNode(kTextSize);
    const ValueNode textColor = makeColorNode(publisher, piNode, kTextColor);
    const ValueNode textOpacity = publisher.getInputNode(kTextOpacity);
    const ValueNode dropShadow = publisher.getInputNode(kDropShadow);
    const ValueNode dropShadowColor = makeColorNode(publisher, piNode, kDropShadowColor);
    const ValueNode dropShadowOpacity = publisher.getInputNode(kDropShadowOpacity);
    const ValueNode dropShadowOffsetX = publisher.getInputNode(member(kDropShadowOffset, kX));
    const ValueNode dropShadowOffsetY = publisher.getInputNode(member(kDropShadowOffset, kY));
    const ValueNode box = publisher.getInputNode(kBox);
    const ValueNode boxColor = makeColorNode(publisher, piNode, kBoxColor);
    const ValueNode boxOpacity = publisher.getInputNode(kBoxOpacity);
    const ValueNode boxMargin = publisher.getInputNode(kBoxMargin);
    const ValueNode offsetX = publisher.getInputNode(member(kOffset, kX));
    const ValueNode offsetY = publisher.getInputNode(member(kOffset, kY));
    const ValueNode horizontalAlignment = publisher.getInputNode(kHorizontalAlignment);
    const ValueNode verticalAlignment = publisher.getInputNode(kVerticalAlignment);

    slateNode = pxCreateNode<SlateProcNode>(
        source, text, textFont, textStyle, textSize, textColor, textOpacity, dropShadow, dropShadowColor,
        dropShadowOpacity, dropShadowOffsetX, dropShadowOffsetY, box, boxColor, boxOpacity, boxMargin, offsetX, offsetY,
        horizontalAlignment, verticalAlignment,
        SlateProcNode::StyleNodes{publisher.getInputNode(kOutline), publisher.getInputNode(kOutlineWidth),
                                  makeColorNode(publisher, piNode, kOutlineColor),
                                  publisher.getInputNode(kOutlineOpacity), publisher.getInputNode(kDropShadowSoftness),
                                  publisher.getInputNode(kStableLayout)});
    // The composition says where <Timecode> counting starts; a start timecode names the timecode
    // of the graph's first frame.
    if (const RCShdPtr<PiGraph> graph = piNode.getGraph())
        if (const RCShdPtr<const PiComposition> owner =
                PiCompositionUtils::getComposition(RCShdPtr<const PiGraph>(graph.get()))) {
            DtTime start;
            DtTime end;
            graph->getTimeRange(start, end);
            slateNode->setTimeCodeOrigin(owner->getTimeCodeOrigin(), start.getFrameCount());
        }

    if (getPrimaryInput()->isConnected())
        return PxNodePtr<PxImageProtocol const>(slateNode);

    const auto repeat = pxCreateNode<PiImageRepeatNode>(
        PxNodePtr<PxImageProtocol const>(slateNode), publisher.getInputNode(G::getInTimeInputName()),
        publisher.getInputNode(G::getOutTimeInputName()), publisher.getInputNode(G::getRepeatModeInputName()),
        publisher.getInputNode(G::getLockDurationInputName()));
    const auto timeOffset = pxCreateNode<PiImageTimeOffsetNode>(PxNodePtr<PxImageProtocol const>(repeat),
                                                                publisher.getInputNode(G::getTimeOffsetInputName()));
    return PxNodePtr<PxImageProtocol const>(timeOffset);
}

} // namespace Vx
