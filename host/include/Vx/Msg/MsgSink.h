// Where finished messages go: the destination that MsgProtocol::display hands its text to.
//
// The message server holds one sink for the whole process. Applications keep the default, a
// MsgStreamSink on std::cerr; tests install a MsgListSink and read back what was displayed.
// display() may be called from any thread that displays a message; the sinks given here
// serialise their own work.
#pragma once

#include <Vx/RC/RCBase.h>

#include <iosfwd>
#include <mutex>
#include <string>
#include <vector>

namespace Vx {

/// How serious a message is.
enum class MsgSeverity
{
    Info,
    Warning,
    Error
};

/// The English word for a severity ("Warning").
const char* toString(MsgSeverity severity);

/// One displayed message: its severity, its id and the finished text (substitutions made).
struct MsgRecord
{
    MsgSeverity severity = MsgSeverity::Info;
    std::string id;
    std::string text;
};

/// The interface every destination of messages implements.
class MsgSink : public RCObject
{
public:
    /// Shows or stores one finished message.
    virtual void display(const MsgRecord& record) = 0;
};

/// Writes each message as one line "Warning: text" to a stream (std::cerr by default). The
/// stream must outlive the sink.
class MsgStreamSink : public MsgSink
{
public:
    MsgStreamSink();
    explicit MsgStreamSink(std::ostream& stream);
    void display(const MsgRecord& record) override;

private:
    std::mutex m_mutex;
    std::ostream& m_stream;
};

/// Keeps every message in the order displayed, for tests and for applications that show
/// messages in their own window.
class MsgListSink : public MsgSink
{
public:
    void display(const MsgRecord& record) override;
    /// A copy of the messages displayed so far, oldest first.
    std::vector<MsgRecord> getRecords() const;
    /// Forgets the messages displayed so far.
    void clear();

private:
    mutable std::mutex m_mutex;
    std::vector<MsgRecord> m_records;
};

} // namespace Vx
