// Rendering of the slate for one request.
#include "SlateProcNode.h"

#include "SlateCompositing.h"
#include "SlateNumbers.h"
#include "SlateTool.h"

#include <Vx/Cb/CbHandler.h>
#include <Vx/Fo/FoFontMgr.h>
#include <Vx/Li/LiString.h>
#include <Vx/Tm/TmTimeUtil.h>

#include <algorithm>
#include <cmath>

namespace Vx {

namespace {

std::string copyOf(const std::string& value)
{
    return value;
}

// Evaluates a value node at `time` and narrows `validity` to the interval the value holds.
template <class T>
T evaluate(const PxNodePtr<PxAnimValueProtocol<T> const>& node, double time, PxValidityInterval& validity)
{
    PxResult<T> result = node->getValue(time);
    validity.start = std::max(validity.start, result.validity.start);
    validity.end = std::min(validity.end, result.validity.end);
    return std::move(result.value);
}

const std::string kMetaPrefix = "<meta:";
// The bound the controller keeps the substituted text within (1 MiB), kept here too.
constexpr std::size_t kMaxShownLength = std::size_t(1) << 20;

// `text` with every <meta:NAME> replaced by the attribute NAME of `metadata`; a name it lacks (or
// no metadata) leaves the reference as written. Stops replacing once the text would pass the
// substitution bound, leaving the rest as written.
std::string substituteMetadata(const std::string& text, const PxMetadata* metadata)
{
    std::string out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t open = text.find(kMetaPrefix, from);
        const std::size_t close = open == std::string::npos ? open : text.find('>', open + kMetaPrefix.size());
        if (close == std::string::npos)
            break;
        out.append(text, from, open - from);
        const std::string* value =
            metadata ? metadata->find(text.substr(open + kMetaPrefix.size(), close - open - kMetaPrefix.size()))
                     : nullptr;
        if (value && out.size() + value->size() + (text.size() - close - 1) <= kMaxShownLength)
            out += *value;
        else
            out.append(text, open, close + 1 - open);
        from = close + 1;
    }
    out.append(text, from, std::string::npos);
    return out;
}

// The same for a node that may be left empty, which then holds `fallback` at every time.
template <class T>
T evaluateOr(const PxNodePtr<PxAnimValueProtocol<T> const>& node, const T& fallback, double time,
             PxValidityInterval& validity)
{
    return node ? evaluate(node, time, validity) : fallback;
}

} // namespace

SlateProcNode::SlateProcNode(const Init& init, const PxNodePtr<PxImageProtocol const>& inputNode,
                             const std::string& initialText, const ValueNode& textFont, const ValueNode& textStyle,
                             const ValueNode& textSize, const ValueNode& textColor, const ValueNode& textOpacity,
                             const ValueNode& dropShadow, const ValueNode& dropShadowColor,
                             const ValueNode& dropShadowOpacity, const ValueNode& dropShadowOffsetX,
                             const ValueNode& dropShadowOffsetY, const ValueNode& box, const ValueNode& boxColor,
                             const ValueNode& boxOpacity, const ValueNode& boxMargin, const ValueNode& offsetX,
                             const ValueNode& offsetY, const ValueNode& horizontalAlignment,
                             const ValueNode& verticalAlignment, const StyleNodes& style)
    : PxNode(init), PxImageNode(init, inputNode), text(initialText), input(inputNode),
      textFontNode(pxDownCast<PxAnimValueProtocol<std::string> const>(textFont)),
      textStyleNode(pxDownCast<PxAnimValueProtocol<int> const>(textStyle)),
      textSizeNode(pxDownCast<PxAnimValueProtocol<double> const>(textSize)),
      textColorNode(pxDownCast<PxAnimValueProtocol<CoRgbColorTyped<float>> const>(textColor)),
      textOpacityNode(pxDownCast<PxAnimValueProtocol<double> const>(textOpacity)),
      dropShadowNode(pxDownCast<PxAnimValueProtocol<bool> const>(dropShadow)),
      dropShadowColorNode(pxDownCast<PxAnimValueProtocol<CoRgbColorTyped<float>> const>(dropShadowColor)),
      dropShadowOpacityNode(pxDownCast<PxAnimValueProtocol<double> const>(dropShadowOpacity)),
      dropShadowOffsetXNode(pxDownCast<PxAnimValueProtocol<double> const>(dropShadowOffsetX)),
      dropShadowOffsetYNode(pxDownCast<PxAnimValueProtocol<double> const>(dropShadowOffsetY)),
      boxNode(pxDownCast<PxAnimValueProtocol<bool> const>(box)),
      boxColorNode(pxDownCast<PxAnimValueProtocol<CoRgbColorTyped<float>> const>(boxColor)),
      boxOpacityNode(pxDownCast<PxAnimValueProtocol<double> const>(boxOpacity)),
      boxMarginNode(pxDownCast<PxAnimValueProtocol<double> const>(boxMargin)),
      offsetXNode(pxDownCast<PxAnimValueProtocol<double> const>(offsetX)),
      offsetYNode(pxDownCast<PxAnimValueProtocol<double> const>(offsetY)),
      horizontalAlignmentNode(pxDownCast<PxAnimValueProtocol<int> const>(horizontalAlignment)),
      verticalAlignmentNode(pxDownCast<PxAnimValueProtocol<int> const>(verticalAlignment)),
      outlineNode(pxDownCast<PxAnimValueProtocol<bool> const>(style.outline)),
      outlineWidthNode(pxDownCast<PxAnimValueProtocol<double> const>(style.outlineWidth)),
      outlineColorNode(pxDownCast<PxAnimValueProtocol<CoRgbColorTyped<float>> const>(style.outlineColor)),
      outlineOpacityNode(pxDownCast<PxAnimValueProtocol<double> const>(style.outlineOpacity)),
      dropShadowSoftnessNode(pxDownCast<PxAnimValueProtocol<double> const>(style.dropShadowSoftness)),
      stableLayoutNode(pxDownCast<PxAnimValueProtocol<bool> const>(style.stableLayout)),
      usesMetadata(initialText.find(kMetaPrefix) != std::string::npos)
{
}

SlateProcNode::~SlateProcNode()
{
    for (const auto& child : children())
        unregisterChild(child);
    for (const auto& child : styleChildren())
        unregisterChild(child);
}

std::vector<PxNodePtr<PxNode const>> SlateProcNode::children() const
{
    return {PxNodePtr<PxNode const>(input),
            PxNodePtr<PxNode const>(textFontNode),
            PxNodePtr<PxNode const>(textStyleNode),
            PxNodePtr<PxNode const>(textSizeNode),
            PxNodePtr<PxNode const>(textColorNode),
            PxNodePtr<PxNode const>(textOpacityNode),
            PxNodePtr<PxNode const>(dropShadowNode),
            PxNodePtr<PxNode const>(dropShadowColorNode),
            PxNodePtr<PxNode const>(dropShadowOpacityNode),
            PxNodePtr<PxNode const>(dropShadowOffsetXNode),
            PxNodePtr<PxNode const>(dropShadowOffsetYNode),
            PxNodePtr<PxNode const>(boxNode),
            PxNodePtr<PxNode const>(boxColorNode),
            PxNodePtr<PxNode const>(boxOpacityNode),
            PxNodePtr<PxNode const>(boxMarginNode),
            PxNodePtr<PxNode const>(offsetXNode),
            PxNodePtr<PxNode const>(offsetYNode),
            PxNodePtr<PxNode const>(horizontalAlignmentNode),
            PxNodePtr<PxNode const>(verticalAlignmentNode)};
}

std::vector<PxNodePtr<PxNode const>> SlateProcNode::styleChildren() const
{
    std::vector<PxNodePtr<PxNode const>> present;
    for (const PxNodePtr<PxNode const>& node :
         {PxNodePtr<PxNode const>(outlineNode), PxNodePtr<PxNode const>(outlineWidthNode),
          PxNodePtr<PxNode const>(outlineColorNode), PxNodePtr<PxNode const>(outlineOpacityNode),
          PxNodePtr<PxNode const>(dropShadowSoftnessNode), PxNodePtr<PxNode const>(stableLayoutNode)})
        if (node)
            present.push_back(node);
    return present;
}

void SlateProcNode::init()
{
    PxImageNode::init();
    for (const auto& child : children())
        registerChild(child);
    for (const auto& child : styleChildren())
        registerChild(child);
    makeTimeCode(getImageFormat().frameRate);
}

void SlateProcNode::invalidateAndReinitialize(const PxValidityInterval& interval, const PxUPtr<PxNode const>& changed,
                                              int flags)
{
    PxImageNode::invalidateAndReinitialize(interval, changed, flags);
    makeTimeCode(getImageFormat().frameRate);
}

void SlateProcNode::setText(const std::string& newText)
{
    text = newText;
    usesMetadata = text.find(kMetaPrefix) != std::string::npos;
}

void SlateProcNode::setFrameRate(const Rational& rate)
{
    makeTimeCode(rate);
}

void SlateProcNode::setTimeCodeOrigin(const LiTimeCodeOrigin& origin, std::int64_t firstFrame)
{
    timeCodeOrigin = origin;
    originFrame = firstFrame;
    makeTimeCode(timeCode ? timeCode->getRate() : getImageFormat().frameRate);
}

void SlateProcNode::makeTimeCode(const Rational& rate)
{
    timeCode.assign(LiTimeCodeFactory::getInstance().createTimeCode(rate, timeCodeOrigin.getFormatterFlags()).get());
    startCount.reset();
    if (!timeCodeOrigin.start.empty()) {
        try {
            startCount = timeCode->toFrameCount(timeCodeOrigin.start);
        } catch (const std::invalid_argument&) {
            // Checked where the origin is set; a rate changed since then counts as by default.
        }
    }
}

std::string SlateProcNode::timeCodeText(const RCShdPtr<LiTimeCode>& formatter, std::int64_t frame,
                                        const PxMetadataPtr& metadata) const
{
    if (timeCodeOrigin.fromInput && metadata)
        if (const std::string* header = metadata->find(PxMetadata::getTimeCodeName()))
            return *header;
    bool counted = startCount.has_value();
    std::int64_t start = startCount.value_or(0);
    if (formatter.get() != timeCode.get() && !timeCodeOrigin.start.empty()) {
        try {
            start = formatter->toFrameCount(timeCodeOrigin.start);
            counted = true;
        } catch (const std::invalid_argument&) {
            counted = false;
        }
    }
    DtTime time;
    time.rate = formatter->getRate();
    time.frames = counted ? start + (frame - originFrame) : frame;
    return formatter->toString(time);
}

PxImageResult SlateProcNode::getImage(const PxImageContext& ctx) const
{
    // The input's validity starts the result's.
    PxImageResult r = input->getImage(ctx);
    PxValidityInterval v = r.getValidity();

    // Every parameter narrows the validity to where its value holds.
    const double t = ctx.time;
    const float size = toFloat(evaluate(textSizeNode, t, v));
    const std::string family = evaluate(textFontNode, t, v);
    const int style = evaluate(textStyleNode, t, v);
    const CoRgbColorTyped<float> textRgb = evaluate(textColorNode, t, v);
    const float textAlpha = toFloat(evaluate(textOpacityNode, t, v));
    const int hAlign = evaluate(horizontalAlignmentNode, t, v);
    const int vAlign = evaluate(verticalAlignmentNode, t, v);
    const CoRgbColorTyped<float> shadowRgb = evaluate(dropShadowColorNode, t, v);
    const float shadowAlpha = toFloat(evaluate(dropShadowOpacityNode, t, v));
    const bool shadowSwitch = evaluate(dropShadowNode, t, v);
    const float shadowX = toFloat(evaluate(dropShadowOffsetXNode, t, v));
    const float shadowY = toFloat(evaluate(dropShadowOffsetYNode, t, v));
    const CoRgbColorTyped<float> boxRgb = evaluate(boxColorNode, t, v);
    const float boxAlpha = toFloat(evaluate(boxOpacityNode, t, v));
    const bool boxSwitch = evaluate(boxNode, t, v);
    const float boxMargin = toFloat(evaluate(boxMarginNode, t, v));
    const float offsetX = toFloat(evaluate(offsetXNode, t, v));
    const float offsetY = toFloat(evaluate(offsetYNode, t, v));
    const bool outlineSwitch = evaluateOr(outlineNode, false, t, v);
    const float outlineWidth = toFloat(evaluateOr(outlineWidthNode, 2.0, t, v));
    const CoRgbColorTyped<float> outlineRgb = evaluateOr(outlineColorNode, CoRgbColorTyped<float>::ZERO, t, v);
    const float outlineAlpha = toFloat(evaluateOr(outlineOpacityNode, 1.0, t, v));
    const float shadowSoftness = toFloat(evaluateOr(dropShadowSoftnessNode, 0.0, t, v));
    const bool stableLayout = evaluateOr(stableLayoutNode, false, t, v);

    const CoRgbaColorTyped<float> textColor{textRgb.red, textRgb.green, textRgb.blue, textAlpha};
    const CoRgbaColorTyped<float> shadowColor{shadowRgb.red, shadowRgb.green, shadowRgb.blue, shadowAlpha};
    const CoRgbaColorTyped<float> boxColor{boxRgb.red, boxRgb.green, boxRgb.blue, boxAlpha};
    const bool shadowOn = shadowSwitch && shadowAlpha > 0.0f;
    const bool boxOn = boxSwitch && boxAlpha > 0.0f;
    SlateStyle typography;
    typography.outlineOn = outlineSwitch && outlineAlpha > 0.0f;
    typography.outlineColor = {outlineRgb.red, outlineRgb.green, outlineRgb.blue, outlineAlpha};
    typography.outlineWidth = outlineWidth;
    typography.shadowSoftness = shadowSoftness;
    typography.stableLayout = stableLayout;

    // The result is narrowed to this frame only when a frame-level token was found, so that a
    // slate without them stays cacheable across frames.
    const PxImageFormat format = getImageFormat();
    const DtTime dt = TmTimeUtil::getDtTimeFromSeconds(format.frameRate, t);
    // The formatter follows the format by request; a rate changed upstream without one (the
    // input's own format) is counted with a formatter made for this render.
    RCShdPtr<LiTimeCode> formatter = timeCode;
    if (formatter->getRate() != format.frameRate)
        formatter =
            LiTimeCodeFactory::getInstance().createTimeCode(format.frameRate, timeCodeOrigin.getFormatterFlags());
    LiStringSubstituter substituter;
    substituter.addPattern(SlateTool::makeToken(SlateTool::getFrameNumberToken()),
                           RCShdPtr<LiStringSubstituter::Handler>(new CbDataFunction<std::string, std::string>(
                               &copyOf, LiStringUtil::convertNb(std::int64_t(dt.getFrameCount())))));
    substituter.addPattern(SlateTool::makeToken(SlateTool::getTimecodeToken()),
                           RCShdPtr<LiStringSubstituter::Handler>(new CbDataFunction<std::string, std::string>(
                               &copyOf, timeCodeText(formatter, dt.getFrameCount(), r.getMetadata()))));
    std::string shown = substituter.substitute(text);
    // File attributes come after the frame tokens: a header value is shown as it stands.
    if (usesMetadata)
        shown = substituteMetadata(shown, r.getMetadata().get());
    if (usesMetadata || shown != text)
        v.intersect(PxValidityInterval::createFrameInterval(format.frameRate, t));

    // Nothing to draw: the input passes as it is. A NaN size or alpha compares unequal and draws.
    if (r.isEmpty() || text.empty() || size == 0.0f ||
        (textAlpha == 0.0f && !shadowOn && !boxOn && !typography.outlineOn)) {
        PxImageResult passed(r);
        passed.setValidity(v);
        return passed;
    }

    // The frame, in pixels of this level, is what alignment and the box refer to.
    const float s = ctx.getScale();
    const GeRectangle<int> frame = nominalToPixelized(getImageROD(ctx).getROD(), format.getPixelAspectRatio(), s);

    // The font at this level's pixel size (rounded half up, at least 1); an unknown family or
    // a style the family lacks falls back to the default font at the same size.
    const int fontPixels = std::max(truncToInt(std::floor(size / float(1 << ctx.level) + 0.5f)), 1);
    FoFontMgr& fonts = FoFontMgr::getInstance();
    FoFont font = fonts.getFont(family, style, fontPixels, fontPixels);
    if (!font.isValid())
        font = fonts.getFont(fonts.getDefaultFont(), fontPixels, fontPixels);

    // A tile the slate does not reach is the input as it is: passed on, not copied.
    SlatePlacement placed = placeSlate(frame, s, shown, font, size, hAlign, vAlign, {offsetX, offsetY}, shadowOn,
                                       {shadowX, shadowY}, boxOn, boxMargin, typography);
    if (!rectanglesOverlap(r.getPixelRegion(), placed.block)) {
        PxImageResult passed(r);
        passed.setValidity(v);
        return passed;
    }

    // The output covers exactly what the input result covers.
    RCShdPtr<IxTile> tile = allocateImageBuffer(ctx, r.getFillColor(), r.getPixelRegion());
    const IxWriteGuard writeGuard(tile.get());
    const IxReadGuard readGuard = r.getTileGuard();
    drawSlate(writeGuard, readGuard, frame, placed, font, textColor, shadowOn, shadowColor, boxOn, boxColor,
              typography);

    PxImageResult result(tile, v);
    result.setMetadata(r.getMetadata());
    return result;
}

} // namespace Vx
