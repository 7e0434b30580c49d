#include "pal/PAL_File.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "pal/PAL_Device.h"
#include "pal/PAL_Error.h"
#include "pal/PAL_FileObject.h"
#include "pal/PAL_Locations.h"

namespace pal {
namespace {

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

bool Fail(DWORD error) {
    SetLastError(error);
    return false;
}

bool FailErrno() {
    return Fail(ErrorFromErrno(errno));
}

bool IsValidPath(const char* path) {
    return path != nullptr && *path != '\0';
}

constexpr DWORD ERROR_NEGATIVE_SEEK = 131;
constexpr DWORD ERROR_DISK_FULL = 112;

// A plain file. The descriptor is fixed for the object's life; the calls are
// plain system calls, so any thread may use it.
class PlainFile final : public IoObject {
public:
    PlainFile(int fd, DWORD access) : fd_(fd), access_(access) {}
    ~PlainFile() override { ::close(fd_); }

    BOOL Read(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) override {
        if (read != nullptr) {
            *read = 0;
        }
        if (overlapped != nullptr || (buffer == nullptr && toRead > 0)) {
            return Fail(ERROR_INVALID_PARAMETER);
        }
        if ((access_ & GENERIC_READ) == 0) {
            return Fail(ERROR_ACCESS_DENIED);
        }
        auto* at = static_cast<char*>(buffer);
        DWORD done = 0;
        while (done < toRead) {
            const ssize_t n = ::read(fd_, at + done, toRead - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                return FailErrno();
            }
            if (n == 0) {
                break;  // end of file: success with fewer bytes
            }
            done += static_cast<DWORD>(n);
        }
        if (read != nullptr) {
            *read = done;
        }
        return TRUE;
    }

    BOOL Write(const void* buffer, DWORD toWrite, DWORD* written, OVERLAPPED* overlapped) override {
        if (written != nullptr) {
            *written = 0;
        }
        if (overlapped != nullptr || (buffer == nullptr && toWrite > 0)) {
            return Fail(ERROR_INVALID_PARAMETER);
        }
        if ((access_ & GENERIC_WRITE) == 0) {
            return Fail(ERROR_ACCESS_DENIED);
        }
        const auto* at = static_cast<const char*>(buffer);
        DWORD done = 0;
        while (done < toWrite) {
            const ssize_t n = ::write(fd_, at + done, toWrite - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                if (written != nullptr) {
                    *written = done;
                }
                return n == 0 || errno == ENOSPC ? Fail(ERROR_DISK_FULL) : FailErrno();
            }
            done += static_cast<DWORD>(n);
        }
        if (written != nullptr) {
            *written = done;
        }
        return TRUE;
    }

    BOOL GetSize(std::int64_t& size) override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) {
            return FailErrno();
        }
        size = st.st_size;
        return TRUE;
    }

    BOOL Seek(std::int64_t distance, DWORD method, std::int64_t& newPosition) override {
        int whence = SEEK_SET;
        switch (method) {
            case FILE_BEGIN:
                whence = SEEK_SET;
                break;
            case FILE_CURRENT:
                whence = SEEK_CUR;
                break;
            case FILE_END:
                whence = SEEK_END;
                break;
            default:
                return Fail(ERROR_INVALID_PARAMETER);
        }
        const off_t at = ::lseek(fd_, static_cast<off_t>(distance), whence);
        if (at < 0) {
            return errno == EINVAL ? Fail(ERROR_NEGATIVE_SEEK) : FailErrno();
        }
        newPosition = at;
        return TRUE;
    }

    BOOL SetEnd() override {
        if ((access_ & GENERIC_WRITE) == 0) {
            return Fail(ERROR_ACCESS_DENIED);
        }
        const off_t at = ::lseek(fd_, 0, SEEK_CUR);
        if (at < 0 || ::ftruncate(fd_, at) != 0) {
            return FailErrno();
        }
        return TRUE;
    }

    BOOL Flush() override {
        if ((access_ & GENERIC_WRITE) == 0) {
            return Fail(ERROR_ACCESS_DENIED);
        }
        return ::fsync(fd_) == 0 ? TRUE : FailErrno();
    }

private:
    const int fd_;
    const DWORD access_;
};

int OpenFlags(DWORD access) {
    const bool read = (access & GENERIC_READ) != 0;
    const bool write = (access & GENERIC_WRITE) != 0;
    return (write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY) | O_CLOEXEC | O_NOCTTY;
}

bool ParentExists(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) {
        return true;
    }
    struct stat st {};
    return ::stat(path.substr(0, slash).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// Opens or creates the file as the disposition says; existed tells whether
// it was there before. -1 with the last-error value set.
int OpenForDisposition(const std::string& path, DWORD access, DWORD disposition, DWORD attributes,
                       bool& existed) {
    const bool mayCreate =
        disposition == CREATE_NEW || disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
    const mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
    // Two steps, so that we know whether the file existed: the read-only
    // attribute is honoured only for files that did.
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (disposition != CREATE_NEW) {
            const int fd = ::open(path.c_str(), OpenFlags(access));
            if (fd >= 0) {
                existed = true;
                return fd;
            }
            if (errno != ENOENT || !mayCreate) {
                if (errno == ENOENT && !ParentExists(path)) {
                    Fail(ERROR_PATH_NOT_FOUND);
                } else {
                    FailErrno();
                }
                return -1;
            }
        }
        const int fd = ::open(path.c_str(), OpenFlags(access) | O_CREAT | O_EXCL, mode);
        if (fd >= 0) {
            existed = false;
            return fd;
        }
        if (errno != EEXIST) {
            Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
            return -1;
        }
        if (disposition == CREATE_NEW) {
            Fail(ERROR_FILE_EXISTS);
            return -1;
        }
        // Created by someone else in between: open it as existing.
    }
    Fail(ERROR_GEN_FAILURE);
    return -1;
}

HANDLE OpenPlainFile(const std::string& path, DWORD access, DWORD shareMode, DWORD disposition,
                     DWORD attributes) {
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING ||
        (disposition == TRUNCATE_EXISTING && (access & GENERIC_WRITE) == 0)) {
        Fail(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    bool existed = false;
    Descriptor fd(OpenForDisposition(path, access, disposition, attributes, existed));
    if (fd.Get() < 0) {
        return INVALID_HANDLE_VALUE;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        FailErrno();
        return INVALID_HANDLE_VALUE;
    }
    if (S_ISDIR(st.st_mode)) {
        Fail(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    // The write bits are the read-only attribute, for every user (root too).
    if (existed && S_ISREG(st.st_mode) && (st.st_mode & kWriteBits) == 0 &&
        ((access & GENERIC_WRITE) != 0 || disposition == CREATE_ALWAYS)) {
        Fail(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    // Share mode 0 takes the file exclusively; any sharing takes it shared.
    // The lock belongs to this open file, so a second open in this process
    // conflicts as well.
    const int lock = (shareMode == 0 ? LOCK_EX : LOCK_SH) | LOCK_NB;
    while (::flock(fd.Get(), lock) != 0) {
        if (errno == EINTR) {
            continue;
        }
        Fail(errno == EWOULDBLOCK ? ERROR_SHARING_VIOLATION : ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    const bool truncate =
        existed && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING);
    if (truncate && ::ftruncate(fd.Get(), 0) != 0) {
        FailErrno();
        return INVALID_HANDLE_VALUE;
    }
    auto object = std::make_shared<PlainFile>(fd.Release(), access);
    const HANDLE handle = InsertHandle(std::move(object));
    if (handle == 0) {
        return INVALID_HANDLE_VALUE;
    }
    const bool reportsExisting =
        existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
    SetLastError(reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

std::shared_ptr<IoObject> IoObjectOf(HANDLE handle) {
    return LookupHandle<IoObject>(handle);
}

}  // namespace

BOOL IoObject::Read(void*, DWORD, DWORD*, OVERLAPPED*) {
    return Fail(ERROR_INVALID_FUNCTION);
}
BOOL IoObject::Write(const void*, DWORD, DWORD*, OVERLAPPED*) {
    return Fail(ERROR_INVALID_FUNCTION);
}
BOOL IoObject::GetSize(std::int64_t&) {
    return Fail(ERROR_INVALID_FUNCTION);
}
BOOL IoObject::Seek(std::int64_t, DWORD, std::int64_t&) {
    return Fail(ERROR_INVALID_FUNCTION);
}
BOOL IoObject::SetEnd() {
    return Fail(ERROR_INVALID_FUNCTION);
}
BOOL IoObject::Flush() {
    return Fail(ERROR_INVALID_FUNCTION);
}

HANDLE CreateFileA(const char* path, DWORD desiredAccess, DWORD shareMode,
                   const SECURITY_ATTRIBUTES*, DWORD creationDisposition, DWORD flagsAndAttributes,
                   HANDLE) {
    if (!IsValidPath(path)) {
        Fail(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (IsDevicePath(path)) {
        return CreateDeviceFile(path, desiredAccess, shareMode, creationDisposition,
                                flagsAndAttributes);
    }
    return OpenPlainFile(path, desiredAccess, shareMode, creationDisposition, flagsAndAttributes);
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) {
    if (IsDeviceHandle(file)) {
        return ReadDevice(file, buffer, toRead, read, overlapped);
    }
    const std::shared_ptr<IoObject> object = IoObjectOf(file);
    return object ? object->Read(buffer, toRead, read, overlapped) : FALSE;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
               OVERLAPPED* overlapped) {
    if (IsDeviceHandle(file)) {
        return WriteDevice(file, buffer, toWrite, written, overlapped);
    }
    const std::shared_ptr<IoObject> object = IoObjectOf(file);
    return object ? object->Write(buffer, toWrite, written, overlapped) : FALSE;
}

BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size) {
    const std::shared_ptr<IoObject> object = IoObjectOf(file);
    if (!object) {
        return FALSE;
    }
    if (size == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    std::int64_t value = 0;
    if (!object->GetSize(value)) {
        return FALSE;
    }
    size->QuadPart = value;
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    const std::shared_ptr<IoObject> object = IoObjectOf(file);
    if (!object) {
        return INVALID_SET_FILE_POINTER;
    }
    // Without the high part the distance is a signed 32-bit number.
    const std::int64_t full =
        distanceHigh == nullptr
            ? distance
            : static_cast<std::int64_t>(
                  (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distanceHigh)) << 32) |
                  static_cast<std::uint32_t>(distance));
    std::int64_t at = 0;
    if (!object->Seek(full, method, at)) {
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh != nullptr) {
        *distanceHigh = static_cast<LONG>(static_cast<std::uint64_t>(at) >> 32);
    } else if (at > std::numeric_limits<std::uint32_t>::max() - 1) {
        Fail(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    // A position whose low part is all ones is valid; callers tell it apart
    // by the cleared last-error value.
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(static_cast<std::uint64_t>(at) & 0xFFFFFFFFu);
}

BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition,
                      DWORD method) {
    const std::shared_ptr<IoObject> object = IoObjectOf(file);
    if (!object) {
        return FALSE;
    }
    std::int64_t at = 0;
    if (!object->Seek(distance.QuadPart, method, at)) {
        return FALSE;
    }
    if (newPosition != nullptr) {
        newPosition->QuadPart = at;
    }
    return TRUE;
}

BOOL SetEndOfFile(HANDLE file) {
    const std::shared_ptr<IoObject> object = IoObjectOf(file);
    return object ? object->SetEnd() : FALSE;
}

BOOL FlushFileBuffers(HANDLE file) {
    const std::shared_ptr<IoObject> object = IoObjectOf(file);
    return object ? object->Flush() : FALSE;
}

DWORD ErrorFromErrno(int error) {
    switch (error) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case ENOSPC:
            return 112;  // ERROR_DISK_FULL
        case EWOULDBLOCK:
            return ERROR_SHARING_VIOLATION;
        case EBUSY:
            return ERROR_BUSY;
        default:
            return ERROR_GEN_FAILURE;
    }
}

BOOL DeleteFileA(const char* path) {
    if (!IsValidPath(path)) {
        return Fail(ERROR_INVALID_NAME);
    }
    struct stat st {};
    if (::lstat(path, &st) == 0 && S_ISDIR(st.st_mode)) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    // A read-only file cannot be deleted, as on the system.
    if (::lstat(path, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & kWriteBits) == 0) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    return ::unlink(path) == 0 ? TRUE : FailErrno();
}

BOOL CreateDirectoryA(const char* path, const SECURITY_ATTRIBUTES*) {
    if (!IsValidPath(path)) {
        return Fail(ERROR_PATH_NOT_FOUND);
    }
    if (::mkdir(path, 0777) == 0) {
        return TRUE;
    }
    return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
}

BOOL RemoveDirectoryA(const char* path) {
    if (!IsValidPath(path)) {
        return Fail(ERROR_PATH_NOT_FOUND);
    }
    if (::rmdir(path) == 0) {
        return TRUE;
    }
    return Fail(errno == ENOTDIR ? ERROR_DIRECTORY : ErrorFromErrno(errno));
}

DWORD GetFileAttributesA(const char* path) {
    struct stat st {};
    if (!IsValidPath(path)) {
        Fail(ERROR_INVALID_NAME);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (::stat(path, &st) != 0) {
        FailErrno();
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode)) {
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    }
    if ((st.st_mode & kWriteBits) == 0) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    const char* slash = std::strrchr(path, '/');
    if ((slash != nullptr ? slash[1] : path[0]) == '.') {
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    }
    if (attributes == 0) {
        attributes = FILE_ATTRIBUTE_ARCHIVE;
    }
    return attributes;
}

BOOL SetFileAttributesA(const char* path, DWORD attributes) {
    struct stat st {};
    if (!IsValidPath(path)) {
        return Fail(ERROR_INVALID_NAME);
    }
    if (::stat(path, &st) != 0) {
        return FailErrno();
    }
    mode_t mode = st.st_mode & 07777;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        mode &= ~kWriteBits;
    } else if ((mode & kWriteBits) == 0) {
        mode |= S_IWUSR;  // the owner gets write access back
    }
    return ::chmod(path, mode) == 0 ? TRUE : FailErrno();
}

DWORD GetTempPathA(DWORD size, char* buffer) {
    std::string path = CurrentLocations().tempDirectory;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    if (buffer == nullptr || size < path.size() + 1) {
        return static_cast<DWORD>(path.size() + 1);
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

}  // namespace pal
