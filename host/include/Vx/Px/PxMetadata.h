// PxMetadata: the attributes of the file an image came from, as name and text pairs.
//
// A reader attaches them to every result of a frame (PxImageResult::setMetadata); nodes that do
// not change them pass them on with their own results, so that a node downstream (the Slate
// node's <meta:NAME> references) reads what the file's header said, per frame. Names are those
// the reader's image library gives ("camera", "smpte:TimeCode"); values are already text.
//
// Immutable once made, shared between results and threads by std::shared_ptr.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Vx {

class PxMetadata
{
public:
    using Entry = std::pair<std::string, std::string>;

    /// The entries in the file's order. A name given twice keeps its first value.
    explicit PxMetadata(std::vector<Entry> entries);

    /// The text of attribute `name` (exact, case-sensitive), or null when there is none.
    const std::string* find(const std::string& name) const;
    const std::vector<Entry>& getEntries() const { return m_entries; }

    /// The name under which a frame's SMPTE timecode travels, as HH:MM:SS:FF (HH:MM:SS;FF when
    /// the header marks it drop-frame).
    static const std::string& getTimeCodeName();

private:
    std::vector<Entry> m_entries;
    std::vector<std::size_t> m_sorted; // indices of m_entries by name, for find
};

using PxMetadataPtr = std::shared_ptr<const PxMetadata>;

} // namespace Vx
