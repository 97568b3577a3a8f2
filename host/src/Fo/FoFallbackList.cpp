// The fallback list of a family and style, sorted by fontconfig on first use.
#include "Fo/FoFallbackList.h"

#include <utility>

namespace Vx {

FoFallbackList::FoFallbackList(std::shared_ptr<const FoFontConfig> config, std::string family, int style)
    : m_config(std::move(config)), m_family(std::move(family)), m_style(style)
{
}

const std::vector<FoFallbackFont>& FoFallbackList::sorted() const
{
    std::call_once(m_sortOnce, [this] { m_sorted = m_config->sortFallbacks(m_family, m_style); });
    return m_sorted;
}

std::vector<FoFaceSource> FoFallbackList::findFonts(std::uint32_t code) const
{
    std::vector<FoFaceSource> found;
    for (const FoFallbackFont& font : sorted())
        if (font.hasChar(code))
            found.push_back(font.source);
    return found;
}

} // namespace Vx
