#include <Vx/Msg/MsgFileGuard.h>

#include <Vx/Msg/MsgFileReader.h>
#include <Vx/Msg/MsgServer.h>

#include <filesystem>
#include <system_error>

namespace Vx {

namespace {

std::string resolve(const std::string& fileName)
{
    if (fileName.find('/') != std::string::npos)
        return fileName;
    for (const std::string& directory : MsgServer::getInstance().getSearchDirectories()) {
        const std::filesystem::path candidate = std::filesystem::path(directory) / fileName;
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error))
            return candidate.string();
    }
    return fileName;
}

} // namespace

MsgFileGuard::MsgFileGuard(const std::string& fileName)
{
    std::vector<std::pair<std::string, std::string>> texts = MsgFileReader::read(resolve(fileName));
    m_key = MsgServer::getInstance().addFile(std::move(texts));
}

MsgFileGuard::~MsgFileGuard()
{
    MsgServer::getInstance().removeFile(m_key);
}

} // namespace Vx
