// kestrin-render: renders slates and burn-ins over image sequences from the command line.
#include <Vx/Render/RenderSession.h>
#include <Vx/Render/StopSignals.h>

#include <iostream>

#include <malloc.h>

int main(int argc, char** argv)
{
    // Tiles are allocated and freed by the thousand per frame. Left to its defaults, the C library
    // hands blocks above 128 KiB back to the system at once and gives trimmed heap back, so every
    // large tile would start with page faults; a render keeps such memory for the next tile.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_MMAP_MAX, 0);

    // Before any thread starts, so that every thread shares the handlers.
    Vx::Render::installStopSignalHandlers();

    // /proc/self/exe names the program itself wherever it was started from, so that the plug-in
    // folder next to it is found through symbolic links and relative paths alike.
    Vx::Render::RenderSession session(std::cout, std::cerr, "/proc/self/exe");
    return session.run(argc, argv);
}
