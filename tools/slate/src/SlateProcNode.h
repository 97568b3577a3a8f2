// SlateProcNode: the processing-side image node of the Slate tool.
//
// It reads one image input and the animated values of the tool's inputs (eighteen, and six of
// typography that may be left unconnected), holds the slate
// text (with the composition's tokens already replaced by the controller) and renders tiles:
// it evaluates the values at the requested time, replaces the FrameNo and Timecode tokens and
// the references <meta:NAME> to the input frame's file attributes (PxMetadata), works out how
// long the result stays valid, and either passes the input through or draws box,
// shadow and text over a copy of it.
//
// Threads: built, initialised and destroyed on the graph thread; getImage runs on worker threads,
// several tiles and frames at once, and only reads members. The text changes only through a
// SlateProcNode::SetTextRequest, which the request manager executes between renders.
#pragma once

#include <Vx/Co/CoColor.h>
#include <Vx/Li/LiTimeCode.h>
#include <Vx/Px/PxAnimValue.h>
#include <Vx/Px/PxImage.h>

#include <optional>
#include <string>

namespace Vx {

class SlateProcNode : public PxImageNode
{
public:
    using ValueNode = PxNodePtr<PxNode const>;
    /// The request that replaces the text and invalidates the node over its interval.
    using SetTextRequest = PxSetRequest<SlateProcNode, const std::string&>;
    /// The request that remakes the timecode formatter for a new frame rate (the generator's
    /// format changed) and invalidates the node over its interval.
    using SetFrameRateRequest = PxSetRequest<SlateProcNode, const Rational&>;

    /// The value nodes of the typography inputs. A node left empty gives its input's default
    /// (outline off, width 2, black, opaque; softness 0; stable layout off), which draws what
    /// the slate draws without these inputs.
    struct StyleNodes
    {
        ValueNode outline;
        ValueNode outlineWidth;
        ValueNode outlineColor;
        ValueNode outlineOpacity;
        ValueNode dropShadowSoftness;
        ValueNode stableLayout;
    };

    /// Graph thread. Each value node is down-cast to the protocol of its input (RCExCastFailed
    /// for a node of another kind; an empty handle stays empty). Sizes and offsets are in
    /// full-resolution pixels.
    SlateProcNode(const Init& init, const PxNodePtr<PxImageProtocol const>& input, const std::string& text,
                  const ValueNode& textFont, const ValueNode& textStyle, const ValueNode& textSize,
                  const ValueNode& textColor, const ValueNode& textOpacity, const ValueNode& dropShadow,
                  const ValueNode& dropShadowColor, const ValueNode& dropShadowOpacity,
                  const ValueNode& dropShadowOffsetX, const ValueNode& dropShadowOffsetY, const ValueNode& box,
                  const ValueNode& boxColor, const ValueNode& boxOpacity, const ValueNode& boxMargin,
                  const ValueNode& offsetX, const ValueNode& offsetY, const ValueNode& horizontalAlignment,
                  const ValueNode& verticalAlignment, const StyleNodes& style = StyleNodes());
    ~SlateProcNode() override;

    /// Registers the image input and the values as children, makes the timecode formatter.
    void init() override;
    /// Re-initialises after upstream changes and remakes the timecode formatter for the frame rate.
    void invalidateAndReinitialize(const PxValidityInterval& interval, const PxUPtr<PxNode const>& changed,
                                   int flags) override;

    /// Renders ctx.region at ctx's time and level. Worker threads.
    PxImageResult getImage(const PxImageContext& ctx) const override;

    /// Replaces the slate text. Only SetTextRequest calls it, on the worker thread.
    void setText(const std::string& text);
    /// Makes the timecode count at `rate`. Only SetFrameRateRequest calls it, between renders.
    void setFrameRate(const Rational& rate);
    /// Makes <Timecode> count as `origin` says, `origin.start` being the timecode of frame
    /// `firstFrame` (the first frame of the composition's range). A start the node's rate cannot
    /// count (a frame field too high for it) is ignored: the default count applies. Graph thread,
    /// before the node renders (the controller calls it as it builds the node).
    void setTimeCodeOrigin(const LiTimeCodeOrigin& origin, std::int64_t firstFrame);
    const LiTimeCodeOrigin& getTimeCodeOrigin() const { return timeCodeOrigin; }
    const std::string& getText() const { return text; }

private:
    std::vector<PxNodePtr<PxNode const>> children() const;
    /// Remakes the formatter for `rate` and the origin, and the frame count of the start.
    void makeTimeCode(const Rational& rate);
    /// The timecode text of `frame` (a frame count at the formatter's rate) for an input frame
    /// whose file attributes are `metadata` (may be null).
    std::string timeCodeText(const RCShdPtr<LiTimeCode>& formatter, std::int64_t frame,
                             const PxMetadataPtr& metadata) const;
    /// The typography value nodes that were given.
    std::vector<PxNodePtr<PxNode const>> styleChildren() const;

    std::string text;
    PxNodePtr<PxImageProtocol const> input;
    PxNodePtr<PxAnimValueProtocol<std::string> const> textFontNode;
    PxNodePtr<PxAnimValueProtocol<int> const> textStyleNode;
    PxNodePtr<PxAnimValueProtocol<double> const> textSizeNode;
    PxNodePtr<PxAnimValueProtocol<CoRgbColorTyped<float>> const> textColorNode;
    PxNodePtr<PxAnimValueProtocol<double> const> textOpacityNode;
    PxNodePtr<PxAnimValueProtocol<bool> const> dropShadowNode;
    PxNodePtr<PxAnimValueProtocol<CoRgbColorTyped<float>> const> dropShadowColorNode;
    PxNodePtr<PxAnimValueProtocol<double> const> dropShadowOpacityNode;
    PxNodePtr<PxAnimValueProtocol<double> const> dropShadowOffsetXNode;
    PxNodePtr<PxAnimValueProtocol<double> const> dropShadowOffsetYNode;
    PxNodePtr<PxAnimValueProtocol<bool> const> boxNode;
    PxNodePtr<PxAnimValueProtocol<CoRgbColorTyped<float>> const> boxColorNode;
    PxNodePtr<PxAnimValueProtocol<double> const> boxOpacityNode;
    PxNodePtr<PxAnimValueProtocol<double> const> boxMarginNode;
    PxNodePtr<PxAnimValueProtocol<double> const> offsetXNode;
    PxNodePtr<PxAnimValueProtocol<double> const> offsetYNode;
    PxNodePtr<PxAnimValueProtocol<int> const> horizontalAlignmentNode;
    PxNodePtr<PxAnimValueProtocol<int> const> verticalAlignmentNode;
    PxNodePtr<PxAnimValueProtocol<bool> const> outlineNode;
    PxNodePtr<PxAnimValueProtocol<double> const> outlineWidthNode;
    PxNodePtr<PxAnimValueProtocol<CoRgbColorTyped<float>> const> outlineColorNode;
    PxNodePtr<PxAnimValueProtocol<double> const> outlineOpacityNode;
    PxNodePtr<PxAnimValueProtocol<double> const> dropShadowSoftnessNode;
    PxNodePtr<PxAnimValueProtocol<bool> const> stableLayoutNode;
    RCShdPtr<LiTimeCode> timeCode;
    LiTimeCodeOrigin timeCodeOrigin;
    std::int64_t originFrame = 0;
    /// The frame count of timeCodeOrigin.start at timeCode's rate; empty for the default count.
    std::optional<std::int64_t> startCount;
    /// Whether the text holds a <meta:...> reference; texts without one skip that pass.
    bool usesMetadata = false;
};

} // namespace Vx
