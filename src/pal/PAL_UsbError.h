// libusb's errors and transfer statuses as the Windows error codes a unit
// driver gives.
#pragma once

#include "pal/PAL_Types.h"

namespace pal {

// A libusb_error (0 or negative). Unknown values give 31.
DWORD UsbErrorCode(int error);
// A libusb_transfer_status. Unknown values give 31.
DWORD UsbTransferStatusCode(int status);

}  // namespace pal
