// A plain file opened with CreateFileA; destroying it closes the file.
// Used by one thread at a time.
#pragma once

#include <cstdint>
#include <string>

#include "glo/GLO_NonCopyable.h"
#include "pal/PAL_File.h"

namespace win {

class File_t : public glo::NonCopyable_t {
public:
    // win::FileError_t (line 35) with the path when the file cannot be
    // opened; an empty path gives an empty path text.
    File_t(const std::string& path, pal::DWORD access, pal::DWORD creationDisposition,
           pal::DWORD flagsAndAttributes = pal::FILE_ATTRIBUTE_NORMAL, pal::DWORD shareMode = 0,
           const pal::SECURITY_ATTRIBUTES* security = nullptr,
           pal::HANDLE templateFile = pal::INVALID_HANDLE_VALUE);
    ~File_t();

    std::uint64_t Size() const;
    // Position to the start, then end of file there.
    void Truncate();
    // The file must have been opened with write access (internal check).
    pal::DWORD Write(const void* bytes, pal::DWORD count);
    void Flush();
    // Flushes first when opened for writing; 0 when there was no file.
    int Close();

    pal::HANDLE Handle() const { return handle_; }
    pal::DWORD Access() const { return access_; }

private:
    pal::HANDLE handle_;
    pal::DWORD access_;
};

}  // namespace win
