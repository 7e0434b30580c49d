// Serial ports by their Windows-style names, with the comm calls the program
// makes. A name resolves to <ports dir>/<NAME> when the port driver daemon
// publishes it (as given, then upper case), else to /dev/<name> when that
// is a serial device of the machine (a tty with a device behind it in
// sysfs), else to nothing (2). A "//./" or "\\.\" prefix resolves the same.
// Names that could leave those directories are invalid (123).
//
// An open port is an object of the handle table: CloseHandle closes it, and
// DuplicateHandle shares it. Failing calls return FALSE (or
// INVALID_HANDLE_VALUE) with the last-error value set.
#pragma once

#include <string>

#include "pal/PAL_File.h"
#include "pal/PAL_Types.h"

namespace pal {

constexpr BYTE NOPARITY = 0;
constexpr BYTE ODDPARITY = 1;
constexpr BYTE EVENPARITY = 2;
constexpr BYTE MARKPARITY = 3;
constexpr BYTE SPACEPARITY = 4;
constexpr BYTE ONESTOPBIT = 0;
constexpr BYTE ONE5STOPBITS = 1;
constexpr BYTE TWOSTOPBITS = 2;
constexpr DWORD DTR_CONTROL_DISABLE = 0;
constexpr DWORD DTR_CONTROL_ENABLE = 1;
constexpr DWORD DTR_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_DISABLE = 0;
constexpr DWORD RTS_CONTROL_ENABLE = 1;
constexpr DWORD RTS_CONTROL_HANDSHAKE = 2;
constexpr DWORD PURGE_TXABORT = 0x1;
constexpr DWORD PURGE_RXABORT = 0x2;
constexpr DWORD PURGE_TXCLEAR = 0x4;
constexpr DWORD PURGE_RXCLEAR = 0x8;

// The serial-port control record, in the layout of the system's.
struct DCB {
    DWORD DCBlength = sizeof(DCB);
    DWORD BaudRate = 0;
    DWORD fBinary : 1;
    DWORD fParity : 1;
    DWORD fOutxCtsFlow : 1;
    DWORD fOutxDsrFlow : 1;
    DWORD fDtrControl : 2;
    DWORD fDsrSensitivity : 1;
    DWORD fTXContinueOnXoff : 1;
    DWORD fOutX : 1;
    DWORD fInX : 1;
    DWORD fErrorChar : 1;
    DWORD fNull : 1;
    DWORD fRtsControl : 2;
    DWORD fAbortOnError : 1;
    DWORD fDummy2 : 17;
    WORD wReserved = 0;
    WORD XonLim = 0;
    WORD XoffLim = 0;
    BYTE ByteSize = 8;
    BYTE Parity = NOPARITY;
    BYTE StopBits = ONESTOPBIT;
    char XonChar = 0x11;
    char XoffChar = 0x13;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    WORD wReserved1 = 0;

    DCB()
        : fBinary(1),
          fParity(0),
          fOutxCtsFlow(0),
          fOutxDsrFlow(0),
          fDtrControl(0),
          fDsrSensitivity(0),
          fTXContinueOnXoff(0),
          fOutX(0),
          fInX(0),
          fErrorChar(0),
          fNull(0),
          fRtsControl(0),
          fAbortOnError(0),
          fDummy2(0) {}
};

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout = 0;
    DWORD ReadTotalTimeoutMultiplier = 0;
    DWORD ReadTotalTimeoutConstant = 0;
    DWORD WriteTotalTimeoutMultiplier = 0;
    DWORD WriteTotalTimeoutConstant = 0;
};

struct COMSTAT {
    DWORD cbInQue = 0;
    DWORD cbOutQue = 0;
};

// The path a port name resolves to; 2 when there is none, 123 for an
// invalid name.
DWORD ResolvePortName(const std::string& name, std::string& path);

// Opens a port for reading and writing, non-blocking. Share mode 0 opens it
// exclusively: while held, other exclusive opens fail with 5, as a port in
// use does on the system we stand in for.
// Reads and writes of the handle are not served (1): the program only
// configures and probes ports.
HANDLE CreateCommFileA(const char* name, DWORD access, DWORD shareMode);

// Data bits, parity, stop bits, baud, RTS/CTS and XON/XOFF map to termios.
// DSR flow control has no Linux counterpart and is kept in the record only.
BOOL GetCommState(HANDLE port, DCB* state);
BOOL SetCommState(HANDLE port, const DCB* state);
BOOL GetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts);
BOOL SetCommTimeouts(HANDLE port, const COMMTIMEOUTS* timeouts);
// The kernel's queues have fixed sizes; sizes of 0 give 87.
BOOL SetupComm(HANDLE port, DWORD inQueue, DWORD outQueue);
BOOL PurgeComm(HANDLE port, DWORD flags);
BOOL ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status);

}  // namespace pal
