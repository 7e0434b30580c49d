// The setup API's device interface enumeration over the unit bus: the
// "setupapi.dll" pseudo-module. Only the GPS units' interface class has
// members; any other class gives an empty set.
#pragma once

#include "pal/PAL_Types.h"

namespace pal {

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
// {2C9C45C2-8E7D-4C08-A12D-816BBAE722C0}
constexpr GUID kUnitInterfaceClass = {
    0x2C9C45C2, 0x8E7D, 0x4C08, {0xA1, 0x2D, 0x81, 0x6B, 0xBA, 0xE7, 0x22, 0xC0}};

using HDEVINFO = void*;
constexpr DWORD DIGCF_PRESENT = 0x2;
constexpr DWORD DIGCF_DEVICEINTERFACE = 0x10;

// The layouts of the 32-bit system: cbSize 28 and 5 (the fixed part).
struct SP_DEVICE_INTERFACE_DATA {
    DWORD cbSize;
    GUID InterfaceClassGuid;
    DWORD Flags;
    DWORD Reserved;  // the interface's index in its set
};
struct SP_DEVINFO_DATA {
    DWORD cbSize;
    GUID ClassGuid;
    DWORD DevInst;
    DWORD Reserved;
};
constexpr DWORD kInterfaceDataSize = 28;
constexpr DWORD kDetailFixedSize = 5;
// cbSize, then the NUL-terminated path from offset 4.
struct SP_DEVICE_INTERFACE_DETAIL_DATA_A {
    DWORD cbSize;
    char DevicePath[1];
};

// INVALID_HANDLE_VALUE as a pointer on failure (87 for flags without
// DIGCF_DEVICEINTERFACE or a null class).
HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, const char* enumerator, void* parent,
                              DWORD flags);
// FALSE with 259 past the last interface; 87 for a wrong cbSize; 6 for a
// set that is not one.
BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA* device, const GUID* classGuid,
                                 DWORD index, SP_DEVICE_INTERFACE_DATA* data);
// FALSE with 122 and the required size when detail is null or too small;
// 1784 when the detail's cbSize is not 5.
BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data,
                                      SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, DWORD detailSize,
                                      DWORD* requiredSize, SP_DEVINFO_DATA* device);
BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set);

// Makes "setupapi.dll" (these four) and "kernel32.dll" ("CancelIo")
// available to LoadLibraryA. Idempotent; the device model calls it.
void RegisterDeviceModules();

}  // namespace pal
