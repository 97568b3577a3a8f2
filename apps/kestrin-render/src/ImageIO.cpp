// Loading the image I/O library on first use.
#include <Vx/Render/ImageIO.h>

#include <Vx/Render/LoadedLibrary.h>

namespace Vx::Render {

const ImageIO& ImageIO::get()
{
    static const ImageIO& io =
        loadLibraryObject<ImageIO>("libkestrin_render_io.so", "kestrinRenderImageIO", "image I/O");
    return io;
}

} // namespace Vx::Render
