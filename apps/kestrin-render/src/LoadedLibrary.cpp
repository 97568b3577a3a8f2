// Loading the program's libraries on first use.
#include <Vx/Render/LoadedLibrary.h>

#include <Vx/Tm/TmTimeUtil.h>

#include <stdexcept>

#include <dlfcn.h>

namespace Vx::Render {

namespace {

// The folder the host library was loaded from, with its slash; empty when it is unknown.
std::string hostLibraryFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&TmTimeUtil::getSecondsFromFrames), &info) == 0 || !info.dli_fname)
        return {};
    const std::string host = info.dli_fname;
    const std::size_t slash = host.rfind('/');
    return slash == std::string::npos ? std::string() : host.substr(0, slash + 1);
}

} // namespace

void* loadLibraryEntry(const std::string& library, const std::string& entry, const std::string& what)
{
    // By its path next to the host library: a bare name would be looked up with the run path of
    // whoever calls dlopen, which is not the program when a tool wraps dlopen (heaptrack, the
    // sanitizers). Then by name, as the program's other libraries are found. If the program was
    // linked with the library (the tests), the loaded copy is the one returned. Never unloaded:
    // frames and nodes made by it live to the end of the run. Functions are bound as they are
    // first called (RTLD_LAZY): binding every function of the some 260 libraries OpenImageIO and
    // FFmpeg bring at once took about 0.1 s of every run that reads or writes a file (perf: half
    // the dynamic loader's samples), for functions most runs never call.
    const std::string folder = hostLibraryFolder();
    void* handle = folder.empty() ? nullptr : dlopen((folder + library).c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle)
        handle = dlopen(library.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        throw std::runtime_error("Cannot load the " + what + " library " + library + ": " +
                                 (why ? why : "unknown error"));
    }
    void* const found = dlsym(handle, entry.c_str());
    if (!found)
        throw std::runtime_error("The " + what + " library " + library + " has no entry point " + entry);
    return found;
}

} // namespace Vx::Render
