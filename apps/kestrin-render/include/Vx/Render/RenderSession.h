// One run of kestrin-render, from the parsed command line to the exit code.
//
//   parse options --> [--list-fonts] --> read COMPOSITION.json --> load and initialise plug-ins
//     --> register the Read tool, find "Slate" --> [--describe]
//     --> merge options over the file --> build the composition (every input checked)
//     --> check outputs (writable folder, no input frame overwritten), --save, the frame's size
//         against RenderLimits
//     --> render each frame (TileRenderer) and write it (FrameWriter), or discard it (--null-output),
//         on FrameScheduler's threads, until done, a failure or a stop signal; for a movie output
//         convert it on the same threads and encode it in order (MovieWriter, MovieEncodeQueue),
//         the movie renamed into place only when every frame is in it
//     --> --save --> close the composition, release the plug-ins' tools, unload
//
// Errors go to `err` prefixed with "kestrin-render: " and what caused them. The exit code is 0
// only when every frame asked for was written (or rendered, with --null-output); 2 for a mistake
// in the command line, a --set value or the composition (UsageError, CompositionFileError or
// std::invalid_argument: nothing is rendered); 1 for a failure of the run (a plug-in that cannot
// be loaded, a frame that cannot be read, rendered or written, a --save that cannot be written);
// 128 + the signal after SIGINT or SIGTERM (see StopSignals). Frames written before a failure
// stay. Frames that render transparent because they lie outside a generated plate's In and Out
// times are warned about once. Main thread.
#pragma once

#include <iosfwd>
#include <string>

#include <Vx/Render/FramePattern.h>
#include <Vx/Render/FrameRange.h>
#include <Vx/Render/RenderOptions.h>

namespace Vx::Render {

class RenderSession
{
public:
    /// `executablePath`: argv[0] or /proc/self/exe, to find the default plug-in folder.
    RenderSession(std::ostream& out, std::ostream& err, std::string executablePath);

    /// Parses the command line and runs it; returns the exit code.
    int run(int argc, const char* const* argv);
    /// Runs already parsed options; returns the exit code.
    int run(const RenderOptions& options);

    /// The default plug-in folder: "../plugins" next to the executable's folder.
    static std::string defaultPluginFolder(const std::string& executablePath);

private:
    int listFonts();
    /// --list-missing: prints the path of every frame (of the chunk) whose file is not there, one
    /// a line; 0 when none is missing, else 1 with a message naming the frames.
    int listMissing(const RenderOptions& options, const FrameRange& frames, const FramePattern& output);
    /// --list-metadata: the header attributes of the first frame of -i (or of -f's first frame).
    int listMetadata(const RenderOptions& options);
    int renderAll(const RenderOptions& options);

    std::ostream& m_out;
    std::ostream& m_err;
    std::string m_executablePath;
};

} // namespace Vx::Render
