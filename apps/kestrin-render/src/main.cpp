// kestrin-render: renders slates and burn-ins over image sequences from the command line.
#include <Vx/Render/RenderSession.h>

#include <iostream>

int main(int argc, char** argv)
{
    // /proc/self/exe names the program itself wherever it was started from, so that the plug-in
    // folder next to it is found through symbolic links and relative paths alike.
    Vx::Render::RenderSession session(std::cout, std::cerr, "/proc/self/exe");
    return session.run(argc, argv);
}
