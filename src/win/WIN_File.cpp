#include "win/WIN_File.h"

#include "glo/GLO_Exception.h"
#include "pal/PAL_Error.h"
#include "pal/PAL_Sync.h"
#include "win/WIN_Exception.h"

namespace win {

File_t::File_t(const std::string& path, pal::DWORD access, pal::DWORD creationDisposition,
               pal::DWORD flagsAndAttributes, pal::DWORD shareMode,
               const pal::SECURITY_ATTRIBUTES* security, pal::HANDLE templateFile)
    : handle_(pal::CreateFileA(path.c_str(), access, shareMode, security, creationDisposition,
                               flagsAndAttributes, templateFile)),
      access_(access) {
    if (handle_ == pal::INVALID_HANDLE_VALUE) {
        throw FileError_t(__FILE__, 35, path);
    }
}

File_t::~File_t() {
    try {
        Close();
    } catch (...) {
        // A destructor never throws; a failed final flush is dropped.
    }
}

std::uint64_t File_t::Size() const {
    pal::LARGE_INTEGER size{};
    if (!pal::GetFileSizeEx(handle_, &size)) {
        throw FileError_t(__FILE__, 91, {});
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

void File_t::Truncate() {
    if (pal::SetFilePointer(handle_, 0, nullptr, pal::FILE_BEGIN) ==
            pal::INVALID_SET_FILE_POINTER &&
        pal::GetLastError() != pal::ERROR_SUCCESS) {
        throw FileError_t(__FILE__, 229, {});
    }
    if (!pal::SetEndOfFile(handle_)) {
        throw FileError_t(__FILE__, 237, {});
    }
}

pal::DWORD File_t::Write(const void* bytes, pal::DWORD count) {
    glo::Check((access_ & pal::GENERIC_WRITE) != 0, __FILE__, 109);
    pal::DWORD written = 0;
    if (!pal::WriteFile(handle_, bytes, count, &written, nullptr)) {
        throw FileError_t(__FILE__, 122, {});
    }
    return written;
}

void File_t::Flush() {
    glo::Check((access_ & pal::GENERIC_WRITE) != 0, __FILE__, 113);
    if (!pal::FlushFileBuffers(handle_)) {
        throw FileError_t(__FILE__, 117, {});
    }
}

int File_t::Close() {
    if (handle_ == pal::INVALID_HANDLE_VALUE) {
        return 0;
    }
    // The handle is given up even when the flush fails, so that a second
    // Close (or the destructor) does not flush again.
    const pal::HANDLE handle = handle_;
    handle_ = pal::INVALID_HANDLE_VALUE;
    struct Closer_t {
        pal::HANDLE h;
        ~Closer_t() { pal::CloseHandle(h); }
    } closer{handle};
    if ((access_ & pal::GENERIC_WRITE) != 0 && !pal::FlushFileBuffers(handle)) {
        throw FileError_t(__FILE__, 117, {});
    }
    return 1;
}

}  // namespace win
