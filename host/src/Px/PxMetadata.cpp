// File attributes carried by images.
#include <Vx/Px/PxMetadata.h>

#include <algorithm>
#include <numeric>

namespace Vx {

PxMetadata::PxMetadata(std::vector<Entry> entries) : m_entries(std::move(entries)), m_sorted(m_entries.size())
{
    std::iota(m_sorted.begin(), m_sorted.end(), std::size_t(0));
    // Stable, so that of two entries with one name the first is found.
    std::stable_sort(m_sorted.begin(), m_sorted.end(),
                     [this](std::size_t a, std::size_t b) { return m_entries[a].first < m_entries[b].first; });
}

const std::string* PxMetadata::find(const std::string& name) const
{
    const auto it = std::lower_bound(m_sorted.begin(), m_sorted.end(), name,
                                     [this](std::size_t i, const std::string& n) { return m_entries[i].first < n; });
    if (it == m_sorted.end() || m_entries[*it].first != name)
        return nullptr;
    return &m_entries[*it].second;
}

const std::string& PxMetadata::getTimeCodeName()
{
    static const std::string name = "smpte:TimeCode";
    return name;
}

} // namespace Vx
