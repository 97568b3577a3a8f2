// The fallback list of one family and style: the installed fonts that draw the characters the
// family lacks, in the order fontconfig ranks them for that family.
//
// The font manager makes one list per family and style it resolves, and hands it to every sized
// face it opens for them. The list asks fontconfig for its order only when a face first meets a
// character it lacks, so a text the family covers never pays for the sort. Thread-safe: the
// sort runs once, under the list's own mutex; after it the list is read-only.
//
// The list holds the font configuration by shared ownership, so a face still held after the
// font manager is gone (at exit) keeps a working list.
#pragma once

#include "Fo/FoFontConfig.h"

#include <Vx/RC/RCShdPtr.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Vx {

class FoFallbackList : public RCObject
{
public:
    FoFallbackList(std::shared_ptr<const FoFontConfig> config, std::string family, int style);

    /// The fonts that have the character `code`, best ranked first. Callable from any thread.
    std::vector<FoFaceSource> findFonts(std::uint32_t code) const;

private:
    const std::vector<FoFallbackFont>& sorted() const;

    std::shared_ptr<const FoFontConfig> m_config;
    std::string m_family;
    int m_style;
    mutable std::once_flag m_sortOnce;
    mutable std::vector<FoFallbackFont> m_sorted; // written once, under m_sortOnce
};

} // namespace Vx
