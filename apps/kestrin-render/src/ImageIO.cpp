// Loading the image I/O library on first use.
#include <Vx/Render/ImageIO.h>

#include <Vx/Tm/TmTimeUtil.h>

#include <stdexcept>
#include <string>

#include <dlfcn.h>

namespace Vx::Render {

namespace {

constexpr const char* kLibrary = "libkestrin_render_io.so";
constexpr const char* kEntry = "kestrinRenderImageIO";

// The library's path in the folder the host library was loaded from, where both are built and
// installed; empty when that folder is unknown.
std::string besideHostLibrary()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&TmTimeUtil::getSecondsFromFrames), &info) == 0 || !info.dli_fname)
        return {};
    const std::string host = info.dli_fname;
    const std::size_t slash = host.rfind('/');
    return slash == std::string::npos ? std::string() : host.substr(0, slash + 1) + kLibrary;
}

const ImageIO& load()
{
    // By its path next to the host library: a bare name would be looked up with the run path of
    // whoever calls dlopen, which is not the program when a tool wraps dlopen (heaptrack, the
    // sanitizers). Then by name, as the program's other libraries are found. If the program was
    // linked with the library (the tests), the loaded copy is the one returned. Never unloaded:
    // frames and nodes made by it live to the end of the run.
    const std::string path = besideHostLibrary();
    void* library = path.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
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
