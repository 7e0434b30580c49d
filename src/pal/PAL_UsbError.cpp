#include "pal/PAL_UsbError.h"

#include <libusb.h>

#include "pal/PAL_Error.h"

namespace pal {
namespace {

struct Mapping_t {
    int error;
    DWORD code;
};

// The one table; transfer statuses are first put in terms of these errors.
constexpr Mapping_t kCodes[] = {
    {LIBUSB_SUCCESS, ERROR_SUCCESS},
    {LIBUSB_ERROR_IO, ERROR_GEN_FAILURE},
    {LIBUSB_ERROR_INVALID_PARAM, ERROR_INVALID_PARAMETER},
    {LIBUSB_ERROR_ACCESS, ERROR_ACCESS_DENIED},
    {LIBUSB_ERROR_NO_DEVICE, ERROR_DEVICE_NOT_CONNECTED},
    {LIBUSB_ERROR_NOT_FOUND, ERROR_FILE_NOT_FOUND},
    {LIBUSB_ERROR_BUSY, ERROR_BUSY},
    {LIBUSB_ERROR_TIMEOUT, ERROR_SEM_TIMEOUT},
    {LIBUSB_ERROR_OVERFLOW, ERROR_MORE_DATA},
    {LIBUSB_ERROR_PIPE, ERROR_GEN_FAILURE},  // the endpoint stalled
    {LIBUSB_ERROR_INTERRUPTED, ERROR_OPERATION_ABORTED},
    {LIBUSB_ERROR_NO_MEM, ERROR_NOT_ENOUGH_MEMORY},
    {LIBUSB_ERROR_NOT_SUPPORTED, ERROR_NOT_SUPPORTED},
    {LIBUSB_ERROR_OTHER, ERROR_GEN_FAILURE},
};

int ErrorOfStatus(int status) {
    switch (status) {
        case LIBUSB_TRANSFER_COMPLETED:
            return LIBUSB_SUCCESS;
        case LIBUSB_TRANSFER_TIMED_OUT:
            return LIBUSB_ERROR_TIMEOUT;
        case LIBUSB_TRANSFER_CANCELLED:
            return LIBUSB_ERROR_INTERRUPTED;
        case LIBUSB_TRANSFER_STALL:
            return LIBUSB_ERROR_PIPE;
        case LIBUSB_TRANSFER_NO_DEVICE:
            return LIBUSB_ERROR_NO_DEVICE;
        case LIBUSB_TRANSFER_OVERFLOW:
            return LIBUSB_ERROR_OVERFLOW;
        default:  // LIBUSB_TRANSFER_ERROR and anything newer
            return LIBUSB_ERROR_IO;
    }
}

}  // namespace

DWORD UsbErrorCode(int error) {
    for (const Mapping_t& mapping : kCodes) {
        if (mapping.error == error) {
            return mapping.code;
        }
    }
    return ERROR_GEN_FAILURE;
}

DWORD UsbTransferStatusCode(int status) {
    return UsbErrorCode(ErrorOfStatus(status));
}

}  // namespace pal
