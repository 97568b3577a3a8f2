// The Slate tool's token vocabulary.
//
// A slate text may hold tokens written "<" + name + ">" (no blanks, no escape, no arguments).
// The names below are built once when the library loads and only read afterwards, from any
// thread. Each accessor returns the bare name, without the delimiters.
//
//   CompName, CompLength, VersionName, VersionNo  replaced on the graph side, per composition
//   FrameNo, Timecode                             replaced on the processing side, per frame
//   CurrentTime, CurrentDate                      part of the vocabulary, replaced by nothing
#pragma once

#include <string>

namespace Vx {

class SlateTool
{
public:
    static std::string getCompNameToken();
    static std::string getCompLengthToken();
    static std::string getVersionNameToken();
    static std::string getVersionNumberToken();
    static std::string getFrameNumberToken();
    static std::string getTimecodeToken();
    static std::string getCurrentTimeToken();
    static std::string getCurrentDateToken();

    /// The token as written in a text: "<" + name + ">".
    static std::string makeToken(const std::string& name) { return "<" + name + ">"; }
};

} // namespace Vx
