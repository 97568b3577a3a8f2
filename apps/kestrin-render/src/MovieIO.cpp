// Loading the movie library on first use.
#include <Vx/Render/MovieIO.h>

#include <Vx/Render/LoadedLibrary.h>

namespace Vx::Render {

const MovieIO& MovieIO::get()
{
    static const MovieIO& io = *reinterpret_cast<const MovieIO* (*)()>(
        loadLibraryEntry("libkestrin_render_movie.so", "kestrinRenderMovieIO", "movie"))();
    return io;
}

} // namespace Vx::Render
