#include <Vx/Msg/MsgServer.h>

namespace Vx {

MsgServer& MsgServer::getInstance()
{
    static MsgServer server;
    return server;
}

MsgServer::MsgServer() : m_defaultSink(makeShared<MsgStreamSink>()), m_sink(m_defaultSink) {}

MsgServer::~MsgServer() = default;

std::optional<std::string> MsgServer::getText(const std::string& id) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto file = m_files.rbegin(); file != m_files.rend(); ++file) {
        auto found = file->second.find(id);
        if (found != file->second.end())
            return found->second;
    }
    auto subscribed = m_subscriptions.find(id);
    if (subscribed != m_subscriptions.end())
        return subscribed->second;
    return std::nullopt;
}

void MsgServer::addSubscription(const MsgSubscription& subscription)
{
    std::optional<std::string> text = getText(subscription.getId());
    std::lock_guard<std::mutex> lock(m_mutex);
    std::optional<std::string>& kept = m_subscriptions[subscription.getId()];
    if (text)
        kept = std::move(text);
}

void MsgServer::removeSubscription(const std::string& id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_subscriptions.erase(id);
}

bool MsgServer::isSubscribed(const std::string& id) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_subscriptions.count(id) != 0;
}

void MsgServer::addSearchDirectory(const std::string& directory)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_searchDirectories.push_back(directory);
}

std::vector<std::string> MsgServer::getSearchDirectories() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_searchDirectories;
}

void MsgServer::clearSearchDirectories()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_searchDirectories.clear();
}

RCShdPtr<MsgSink> MsgServer::setSink(RCShdPtr<MsgSink> sink)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    RCShdPtr<MsgSink> previous = m_sink;
    m_sink = sink ? std::move(sink) : m_defaultSink;
    return previous;
}

RCShdPtr<MsgSink> MsgServer::getSink() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sink;
}

std::uint64_t MsgServer::addFile(Texts texts)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::uint64_t key = m_nextFileKey++;
    std::map<std::string, std::string>& file = m_files[key];
    for (auto& [id, text] : texts)
        file[id] = std::move(text);
    return key;
}

void MsgServer::removeFile(std::uint64_t key)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_files.erase(key);
}

} // namespace Vx
