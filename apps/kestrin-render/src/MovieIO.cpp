// Loading the movie library on first use.
#include <Vx/Render/MovieIO.h>

#include <Vx/Render/LoadedLibrary.h>

namespace Vx::Render {

const MovieIO& MovieIO::get()
{
    static const MovieIO& io =
        loadLibraryObject<MovieIO>("libkestrin_render_movie.so", "kestrinRenderMovieIO", "movie");
    return io;
}

} // namespace Vx::Render
