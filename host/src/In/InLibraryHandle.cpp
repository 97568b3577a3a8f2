#include "In/InLibraryHandle.h"

#include <dlfcn.h>

namespace Vx {

InLibraryHandle::InLibraryHandle(const std::string& path, std::string& error)
{
    m_handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char* reason = ::dlerror();
        error = reason ? reason : "the system gave no reason";
    }
}

InLibraryHandle::~InLibraryHandle()
{
    close();
}

InLibraryHandle& InLibraryHandle::operator=(InLibraryHandle&& other) noexcept
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

void InLibraryHandle::close() noexcept
{
    if (m_handle)
        ::dlclose(std::exchange(m_handle, nullptr));
}

} // namespace Vx
