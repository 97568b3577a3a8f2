// The process-wide message server: message texts by id, the tools' subscriptions and the sink.
//
//   message file --MsgFileGuard--> texts (while the guard lives) --+
//                                                                  +--> getText(id) --> MsgProtocol
//   MsgServer::addSubscription --> texts kept for subscribed ids --+
//
// Texts come from message files, each made available by a MsgFileGuard for as long as the guard
// lives; when several live files define an id, the file opened last wins. A tool opens its
// file while its package initialises and subscribes to its ids meanwhile: addSubscription keeps
// the text that the id has at that moment, so the tool's warnings keep their text after the
// guard has closed the file. Texts from a live file take precedence over kept ones.
//
// Message files given by a bare name ("exampleTool.msg") are looked for in the search
// directories, in the order added. Every operation is safe to call from any thread.
#pragma once

#include <Vx/Msg/MsgSink.h>
#include <Vx/Msg/MsgSubscription.h>
#include <Vx/RC/RCShdPtr.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Vx {

class MsgServer
{
public:
    /// The one server of the process, made on first use.
    static MsgServer& getInstance();

    MsgServer(const MsgServer&) = delete;
    MsgServer& operator=(const MsgServer&) = delete;

    /// Registers the tool's interest in `subscription`'s id and keeps the id's current text (if
    /// any file in use defines it) for as long as the subscription stays registered. Subscribing
    /// to an id twice keeps the newer text when there is one.
    void addSubscription(const MsgSubscription& subscription);
    /// Forgets the subscription to `id` and the text kept for it; unknown ids are ignored.
    void removeSubscription(const std::string& id);
    /// Whether a tool has subscribed to `id`.
    bool isSubscribed(const std::string& id) const;

    /// The text of message `id` ("Font %1 is unknown."), placeholders not yet replaced; none when
    /// neither a live message file nor a subscription provides it.
    std::optional<std::string> getText(const std::string& id) const;

    /// Adds a folder where message files given by a bare name are looked for.
    void addSearchDirectory(const std::string& directory);
    /// The search folders, in the order they are tried.
    std::vector<std::string> getSearchDirectories() const;
    /// Empties the search path.
    void clearSearchDirectories();

    /// Installs the destination of displayed messages and returns the previous one; a null sink
    /// restores the default (stderr).
    RCShdPtr<MsgSink> setSink(RCShdPtr<MsgSink> sink);
    /// The current destination of displayed messages (never null).
    RCShdPtr<MsgSink> getSink() const;

private:
    friend class MsgFileGuard;
    using Texts = std::vector<std::pair<std::string, std::string>>;

    MsgServer();
    ~MsgServer();

    /// Makes the texts of one message file available until removeFile(key). Used by MsgFileGuard.
    std::uint64_t addFile(Texts texts);
    void removeFile(std::uint64_t key);

    mutable std::mutex m_mutex;
    std::uint64_t m_nextFileKey = 1;
    std::map<std::uint64_t, std::map<std::string, std::string>> m_files; // in opening order
    std::map<std::string, std::optional<std::string>> m_subscriptions;
    std::vector<std::string> m_searchDirectories;
    RCShdPtr<MsgSink> m_defaultSink;
    RCShdPtr<MsgSink> m_sink;
};

} // namespace Vx
