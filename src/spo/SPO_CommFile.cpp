#include "spo/SPO_CommFile.h"

#include "pal/PAL_Error.h"
#include "spo/SPO_Exception.h"

namespace spo {
namespace {

constexpr pal::DWORD kReadWrite = pal::GENERIC_READ | pal::GENERIC_WRITE;

pal::WORD Limit(pal::DWORD value) {
    return value > 0xFFFF ? pal::WORD{0xFFFF} : static_cast<pal::WORD>(value);
}

void ApplySettings(pal::DCB& state, const LineSettings_t& settings) {
    state.BaudRate = settings.baudRate;
    state.Parity = static_cast<pal::BYTE>(settings.parity);
    state.ByteSize = static_cast<pal::BYTE>(settings.dataBits);
    state.StopBits = static_cast<pal::BYTE>(settings.stopBits);
    state.XonChar = settings.xonChar;
    state.XoffChar = settings.xoffChar;
    state.XonLim = Limit(settings.xonLimit);
    state.XoffLim = Limit(settings.xoffLimit);
    state.fBinary = 1;
    state.fParity = 0;
    state.fDsrSensitivity = 0;
    state.fNull = 0;
    state.fAbortOnError = 0;
    state.fOutxDsrFlow = settings.dsrDtrHandshake ? 1 : 0;
    state.fDtrControl =
        settings.dsrDtrHandshake ? pal::DTR_CONTROL_HANDSHAKE : pal::DTR_CONTROL_ENABLE;
    state.fOutxCtsFlow = settings.ctsRtsHandshake ? 1 : 0;
    state.fRtsControl =
        settings.ctsRtsHandshake ? pal::RTS_CONTROL_HANDSHAKE : pal::RTS_CONTROL_ENABLE;
    state.fOutX = settings.xonXoff ? 1 : 0;
    state.fInX = settings.xonXoff ? 1 : 0;
}

}  // namespace

CommFile_t::CommFile_t(const std::string& portName, const LineSettings_t& settings) {
    handle_ = pal::CreateCommFileA(portName.c_str(), kReadWrite, 0);
    if (!handle_.IsValid() && pal::GetLastError() == pal::ERROR_FILE_NOT_FOUND) {
        handle_ = pal::CreateCommFileA(("//./" + portName).c_str(), kReadWrite, 0);
    }
    if (!handle_.IsValid()) {
        Fail(60);
    }
    const pal::HANDLE port = handle_.GetHandle();
    pal::DCB state;
    if (!pal::GetCommState(port, &state)) {
        Fail(147);
    }
    ApplySettings(state, settings);
    if (!pal::SetCommState(port, &state)) {
        Fail(270);
    }
    pal::COMMTIMEOUTS timeouts;
    if (!pal::GetCommTimeouts(port, &timeouts)) {
        Fail(161);
    }
    timeouts = pal::COMMTIMEOUTS{};
    if (!pal::SetCommTimeouts(port, &timeouts)) {
        Fail(284);
    }
    if (!pal::SetupComm(port, settings.inputQueue, settings.outputQueue)) {
        Fail(299);
    }
    if (!pal::PurgeComm(port, pal::PURGE_TXABORT | pal::PURGE_RXABORT | pal::PURGE_TXCLEAR |
                                  pal::PURGE_RXCLEAR)) {
        Fail(198);
    }
    pal::DWORD errors = 0;
    pal::COMSTAT status;
    if (!pal::ClearCommError(port, &errors, &status)) {
        Fail(91);
    }
}

// The error takes the last-error value before closing can change it.
void CommFile_t::Fail(unsigned line) {
    const CommFileError_t error(__FILE__, line);
    handle_.Close();
    throw error;
}

bool PortExists(const std::string& portName) {
    try {
        const CommFile_t port(portName, LineSettings_t{});
        return true;
    } catch (const CommFileError_t& error) {
        return error.code == pal::ERROR_ACCESS_DENIED;
    }
}

}  // namespace spo
