// Makes the texts of one message file available to the MsgServer for as long as the guard lives.
//
// A package opens its message file while it initialises, subscribes its ids meanwhile (which
// keeps their texts, see MsgServer) and lets the guard close the file:
//
//   {
//       MsgFileGuard messages("exampleTool.msg");
//       MsgServer::getInstance().addSubscription(s_invalidFont);
//   } // the file's other texts are gone from here on
//
// The file is read completely by the constructor; the format is MsgFileReader's. Main thread.
#pragma once

#include <cstdint>
#include <string>

namespace Vx {

class MsgFileGuard
{
public:
    /// Reads `fileName` and registers its texts. A name without a folder ("exampleTool.msg") is
    /// looked for in the server's search folders in order, then as given; a path is used as
    /// given. Raises MsgExFile when the file cannot be read or holds a malformed line; nothing
    /// is registered then.
    explicit MsgFileGuard(const std::string& fileName);
    /// Unregisters the file's texts.
    ~MsgFileGuard();

    MsgFileGuard(const MsgFileGuard&) = delete;
    MsgFileGuard& operator=(const MsgFileGuard&) = delete;

private:
    std::uint64_t m_key = 0;
};

} // namespace Vx
