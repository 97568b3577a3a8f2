#include <Vx/Msg/MsgSink.h>

#include <iostream>

namespace Vx {

const char* toString(MsgSeverity severity)
{
    switch (severity) {
    case MsgSeverity::Info:
        return "Info";
    case MsgSeverity::Warning:
        return "Warning";
    case MsgSeverity::Error:
        return "Error";
    }
    return "Message";
}

MsgStreamSink::MsgStreamSink() : m_stream(std::cerr) {}

MsgStreamSink::MsgStreamSink(std::ostream& stream) : m_stream(stream) {}

void MsgStreamSink::display(const MsgRecord& record)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stream << toString(record.severity) << ": " << record.text << std::endl;
}

void MsgListSink::display(const MsgRecord& record)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records.push_back(record);
}

std::vector<MsgRecord> MsgListSink::getRecords() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_records;
}

void MsgListSink::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records.clear();
}

} // namespace Vx
