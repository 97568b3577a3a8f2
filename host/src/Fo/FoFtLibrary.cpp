// FreeType initialisation, error texts, and opening and closing faces under the library lock.
#include "Fo/FoFtLibrary.h"

#include <sstream>
#include <stdexcept>
#include <utility>

namespace Vx {

namespace {

// FreeType's own error table, expanded as fterrors.h documents for applications that want the
// texts without FreeType having been built with FT_CONFIG_OPTION_ERROR_STRINGS.
const char* ftErrorText(FT_Error error)
{
#undef FTERRORS_H_
#define FT_ERROR_START_LIST switch (FT_ERROR_BASE(error)) {
#define FT_ERRORDEF(e, v, s)                                                                                           \
    case v:                                                                                                            \
        return s;
#define FT_ERROR_END_LIST                                                                                              \
    default:                                                                                                           \
        return nullptr;                                                                                                \
        }
#include FT_ERRORS_H
}

} // namespace

std::string describeFtError(FT_Error error)
{
    if (const char* text = ftErrorText(error))
        return text;
    std::ostringstream os;
    os << "FreeType error 0x" << std::hex << error;
    return os.str();
}

FoFtLibrary::FoFtLibrary()
{
    if (const FT_Error error = FT_Init_FreeType(&m_library))
        throw std::runtime_error("FreeType could not be initialised: " + describeFtError(error) + ".");
}

FoFtLibrary::~FoFtLibrary()
{
    FT_Done_FreeType(m_library);
}

FoFtFaceHandle FoFtLibrary::openFace(const RCShdPtr<FoFtLibrary>& library, const std::string& file, long index)
{
    FT_Face face = nullptr;
    FT_Error error = 0;
    {
        std::lock_guard<std::mutex> lock(library->m_mutex);
        error = FT_New_Face(library->m_library, file.c_str(), index, &face);
    }
    if (error)
        throw std::runtime_error("FreeType could not open face " + std::to_string(index) + " of the font file '" +
                                 file + "': " + describeFtError(error) + ".");
    return FoFtFaceHandle(library, face);
}

void FoFtLibrary::closeFace(FT_Face face) noexcept
{
    std::lock_guard<std::mutex> lock(m_mutex);
    FT_Done_Face(face);
}

FoFtFaceHandle::FoFtFaceHandle(RCShdPtr<FoFtLibrary> library, FT_Face face) noexcept
    : m_library(std::move(library)), m_face(face)
{
}

FoFtFaceHandle::FoFtFaceHandle(FoFtFaceHandle&& other) noexcept
    : m_library(std::move(other.m_library)), m_face(std::exchange(other.m_face, nullptr))
{
}

FoFtFaceHandle& FoFtFaceHandle::operator=(FoFtFaceHandle&& other) noexcept
{
    if (this != &other) {
        close();
        m_library = std::move(other.m_library);
        m_face = std::exchange(other.m_face, nullptr);
    }
    return *this;
}

FoFtFaceHandle::~FoFtFaceHandle()
{
    close();
}

void FoFtFaceHandle::close() noexcept
{
    if (m_face)
        m_library->closeFace(std::exchange(m_face, nullptr));
    m_library.reset();
}

} // namespace Vx
