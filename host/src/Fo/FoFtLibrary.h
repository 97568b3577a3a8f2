// The FreeType library of the font service, and the owner of each FT_Face opened with it.
//
// FreeType allows one FT_Library to serve many threads as long as FT_New_Face and FT_Done_Face
// are not called at the same time; FoFtLibrary opens and closes faces under its own mutex. Each
// open face (FoFtFaceHandle) holds a reference to the library, so the library is released only
// after the last face, whatever order static objects are destroyed in at exit.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <Vx/RC/RCShdPtr.h>

#include <mutex>
#include <string>

namespace Vx {

/// A readable text for a FreeType error code ("cannot open resource"), or its number when
/// FreeType has no text for it.
std::string describeFtError(FT_Error error);

class FoFtFaceHandle;

class FoFtLibrary : public RCObject
{
public:
    /// Initialises FreeType. Throws std::runtime_error when it cannot.
    FoFtLibrary();
    ~FoFtLibrary() override;

    FoFtLibrary(const FoFtLibrary&) = delete;
    FoFtLibrary& operator=(const FoFtLibrary&) = delete;

    /// Opens face `index` of the font file `file` (the index may carry a named instance in its
    /// upper bits, as fontconfig reports it). Throws std::runtime_error naming the file when
    /// FreeType cannot open it. Callable from any thread.
    static FoFtFaceHandle openFace(const RCShdPtr<FoFtLibrary>& library, const std::string& file, long index);

private:
    friend class FoFtFaceHandle;
    void closeFace(FT_Face face) noexcept;

    FT_Library m_library = nullptr;
    std::mutex m_mutex;
};

/// Sole owner of one FT_Face: closes it, under the library's lock, when destroyed. Movable, not
/// copyable. The face itself is not synchronised: its user serialises calls into it.
class FoFtFaceHandle
{
public:
    FoFtFaceHandle() = default;
    FoFtFaceHandle(RCShdPtr<FoFtLibrary> library, FT_Face face) noexcept;
    FoFtFaceHandle(FoFtFaceHandle&& other) noexcept;
    FoFtFaceHandle& operator=(FoFtFaceHandle&& other) noexcept;
    ~FoFtFaceHandle();

    FT_Face get() const noexcept { return m_face; }
    FT_Face operator->() const noexcept { return m_face; }

private:
    void close() noexcept;

    RCShdPtr<FoFtLibrary> m_library;
    FT_Face m_face = nullptr;
};

} // namespace Vx
