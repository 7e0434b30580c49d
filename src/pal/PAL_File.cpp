#include "pal/PAL_File.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "pal/PAL_Error.h"
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

}  // namespace

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
