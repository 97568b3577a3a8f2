#include "SlateTool.h"

namespace Vx {

namespace {
const std::string s_compName = "CompName";
const std::string s_compLength = "CompLength";
const std::string s_versionName = "VersionName";
const std::string s_versionNumber = "VersionNo";
const std::string s_frameNumber = "FrameNo";
const std::string s_timecode = "Timecode";
const std::string s_currentTime = "CurrentTime";
const std::string s_currentDate = "CurrentDate";
} // namespace

std::string SlateTool::getCompNameToken()
{
    return s_compName;
}
std::string SlateTool::getCompLengthToken()
{
    return s_compLength;
}
std::string SlateTool::getVersionNameToken()
{
    return s_versionName;
}
std::string SlateTool::getVersionNumberToken()
{
    return s_versionNumber;
}
std::string SlateTool::getFrameNumberToken()
{
    return s_frameNumber;
}
std::string SlateTool::getTimecodeToken()
{
    return s_timecode;
}
std::string SlateTool::getCurrentTimeToken()
{
    return s_currentTime;
}
std::string SlateTool::getCurrentDateToken()
{
    return s_currentDate;
}

} // namespace Vx
