// Owner of one dynamically loaded library: closes it when it dies. Private to the package module.
#pragma once

#include <string>
#include <utility>

namespace Vx {

class InLibraryHandle
{
public:
    InLibraryHandle() noexcept = default;
    /// Loads `path` with every symbol resolved now; on failure the handle is empty and `error`
    /// holds the system's reason.
    InLibraryHandle(const std::string& path, std::string& error);
    ~InLibraryHandle();

    InLibraryHandle(InLibraryHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    InLibraryHandle& operator=(InLibraryHandle&& other) noexcept;
    InLibraryHandle(const InLibraryHandle&) = delete;
    InLibraryHandle& operator=(const InLibraryHandle&) = delete;

    explicit operator bool() const noexcept { return m_handle != nullptr; }
    /// Unloads the library now (its static objects are destroyed); the handle becomes empty.
    void close() noexcept;

private:
    void* m_handle = nullptr;
};

} // namespace Vx
