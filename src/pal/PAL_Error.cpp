#include "pal/PAL_Error.h"

#include <cstring>
#include <map>
#include <string_view>

namespace pal {
namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

// Codes that single modules set (files, the setup API) and name there.
constexpr DWORD kDiskFull = 112;
constexpr DWORD kNegativeSeek = 131;
constexpr DWORD kInvalidUserBuffer = 1784;

// The system's U.S. English texts, as it words them.
const std::map<DWORD, std::string_view>& SystemTexts() {
    static const std::map<DWORD, std::string_view> texts = {
        {ERROR_SUCCESS, "The operation completed successfully."},
        {ERROR_INVALID_FUNCTION, "Incorrect function."},
        {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
        {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
        {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
        {ERROR_ACCESS_DENIED, "Access is denied."},
        {ERROR_INVALID_HANDLE, "The handle is invalid."},
        {ERROR_NOT_ENOUGH_MEMORY,
         "Not enough memory resources are available to process this command."},
        {ERROR_INVALID_DATA, "The data is invalid."},
        {ERROR_OUTOFMEMORY,
         "Not enough memory resources are available to complete this operation."},
        {ERROR_BAD_UNIT, "The system cannot find the device specified."},
        {ERROR_NOT_READY, "The device is not ready."},
        {ERROR_BAD_COMMAND, "The device does not recognize the command."},
        {ERROR_CRC, "Data error (cyclic redundancy check)."},
        {ERROR_BAD_LENGTH, "The program issued a command but the command length is incorrect."},
        {ERROR_WRITE_FAULT, "The system cannot write to the specified device."},
        {ERROR_READ_FAULT, "The system cannot read from the specified device."},
        {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
        {ERROR_SHARING_VIOLATION,
         "The process cannot access the file because it is being used by another process."},
        {ERROR_LOCK_VIOLATION,
         "The process cannot access the file because another process has locked a portion of "
         "the file."},
        {ERROR_HANDLE_EOF, "Reached the end of the file."},
        {ERROR_NOT_SUPPORTED, "The request is not supported."},
        {ERROR_DEV_NOT_EXIST, "The specified network resource or device is no longer available."},
        {ERROR_FILE_EXISTS, "The file exists."},
        {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
        {ERROR_BROKEN_PIPE, "The pipe has been ended."},
        {kDiskFull, "There is not enough space on the disk."},
        {ERROR_CALL_NOT_IMPLEMENTED, "This function is not supported on this system."},
        {ERROR_SEM_TIMEOUT, "The semaphore timeout period has expired."},
        {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
        {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
        {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
        {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
        {kNegativeSeek,
         "An attempt was made to move the file pointer before the beginning of the file."},
        {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
        {ERROR_BUSY, "The requested resource is in use."},
        {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
        {ERROR_BAD_EXE_FORMAT, "%1 is not a valid Win32 application."},
        {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
        {ERROR_MORE_DATA, "More data is available."},
        {WAIT_TIMEOUT_ERROR, "The wait operation timed out."},
        {ERROR_NO_MORE_ITEMS, "No more data is available."},
        {ERROR_DIRECTORY, "The directory name is invalid."},
        {ERROR_NOT_OWNER, "Attempt to release mutex not owned by caller."},
        {ERROR_MR_MID_NOT_FOUND,
         "The system cannot find message text for message number 0x%1 in the message file for "
         "%2."},
        {ERROR_OPERATION_ABORTED,
         "The I/O operation has been aborted because of either a thread exit or an application "
         "request."},
        {ERROR_IO_INCOMPLETE, "Overlapped I/O event is not in a signaled state."},
        {ERROR_IO_PENDING, "Overlapped I/O operation is in progress."},
        {ERROR_NOACCESS, "Invalid access to memory location."},
        {ERROR_INVALID_FLAGS, "Invalid flags."},
        {ERROR_CANTOPEN, "The configuration registry key could not be opened."},
        {ERROR_CANTREAD, "The configuration registry key could not be read."},
        {ERROR_CANTWRITE, "The configuration registry key could not be written."},
        {ERROR_REGISTRY_CORRUPT,
         "The registry is corrupted. The structure of one of the files containing registry data "
         "is corrupted, or the system's memory image of the file is corrupted, or the file could "
         "not be recovered because the alternate copy or log was absent or corrupted."},
        {ERROR_REGISTRY_IO_FAILED,
         "An I/O operation initiated by the registry failed unrecoverably. The registry could "
         "not read in, or write out, or flush, one of the files that contain the system's image "
         "of the registry."},
        {ERROR_KEY_DELETED,
         "Illegal operation attempted on a registry key that has been marked for deletion."},
        {ERROR_SERVICE_DOES_NOT_EXIST,
         "The specified service does not exist as an installed service."},
        {ERROR_NO_UNICODE_TRANSLATION,
         "No mapping for the Unicode character exists in the target multi-byte code page."},
        {ERROR_DEVICE_NOT_CONNECTED, "The device is not connected."},
        {ERROR_NOT_FOUND, "Element not found."},
        {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle."},
        {ERROR_CLASS_ALREADY_EXISTS, "Class already exists."},
        {ERROR_CLASS_DOES_NOT_EXIST, "Class does not exist."},
        {ERROR_TIMEOUT, "This operation returned because the timeout period expired."},
        {ERROR_RESOURCE_DATA_NOT_FOUND,
         "The specified image file did not contain a resource section."},
        {ERROR_RESOURCE_TYPE_NOT_FOUND,
         "The specified resource type cannot be found in the image file."},
        {ERROR_RESOURCE_NAME_NOT_FOUND,
         "The specified resource name cannot be found in the image file."},
        {ERROR_RESOURCE_LANG_NOT_FOUND,
         "The specified resource language ID cannot be found in the image file."},
        {kInvalidUserBuffer, "The supplied user buffer is not valid for the requested operation."},
    };
    return texts;
}

// English is the only language installed: the neutral and default
// languages and every English variant find it; others do not.
bool HasLanguage(DWORD languageId) {
    constexpr DWORD kPrimaryEnglish = 0x09;
    const DWORD primary = languageId & 0x3FF;
    return languageId == 0 || primary == 0 || primary == kPrimaryEnglish;
}

}  // namespace

DWORD GetLastError() {
    return lastError;
}
void SetLastError(DWORD code) {
    lastError = code;
}

DWORD FormatMessageA(DWORD flags, const void* /*source*/, DWORD messageId, DWORD languageId,
                     char* buffer, DWORD size, void* /*arguments*/) {
    constexpr DWORD kSupported = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || (flags & ~kSupported) != 0 ||
        buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!HasLanguage(languageId)) {
        SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
        return 0;
    }
    const auto& texts = SystemTexts();
    const auto found = texts.find(messageId);
    if (found == texts.end()) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    const std::string_view text = found->second;
    // Inserts need arguments, and formatting them is not supported.
    if ((flags & FORMAT_MESSAGE_IGNORE_INSERTS) == 0 && text.find('%') != std::string_view::npos) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::size_t length = text.size() + 2;  // the system's texts end in "\r\n"
    if (length + 1 > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text.data(), text.size());
    std::memcpy(buffer + text.size(), "\r\n", 3);
    return static_cast<DWORD>(length);
}

}  // namespace pal
