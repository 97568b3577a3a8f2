// Loading the image I/O library on first use.
#include <Vx/Render/ImageIO.h>

#include <stdexcept>

#include <dlfcn.h>

namespace Vx::Render {

namespace {

constexpr const char* kLibrary = "libkestrin_render_io.so";
constexpr const char* kEntry = "kestrinRenderImageIO";

const ImageIO& load()
{
    // Found as the program's other libraries are (its run path: the build's lib folder, or the
    // installed one). If the program itself was linked with the library (the tests), the loaded
    // copy is the one returned. Never unloaded: frames and nodes made by it live to the end.
    void* library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = dlerror();
        throw std::runtime_error(std::string("Cannot load the image I/O library ") + kLibrary + ": " +
                                 (why ? why : "unknown error"));
    }
    using Entry = const ImageIO* (*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(library, kEntry));
    if (!entry)
        throw std::runtime_error(std::string("The image I/O library ") + kLibrary + " has no entry point " + kEntry);
    return *entry();
}

} // namespace

const ImageIO& ImageIO::get()
{
    static const ImageIO& io = load();
    return io;
}

} // namespace Vx::Render
