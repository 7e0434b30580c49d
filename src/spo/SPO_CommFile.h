// A serial port opened by name with fixed line settings; the program uses it
// to probe whether a port of a given name exists.
#pragma once

#include <string>

#include "glo/GLO_NonCopyable.h"
#include "pal/PAL_Comm.h"
#include "win/WIN_Handle.h"

namespace spo {

struct LineSettings_t {
    pal::DWORD baudRate = 9600;
    pal::DWORD parity = pal::NOPARITY;
    pal::DWORD dataBits = 8;
    pal::DWORD stopBits = pal::ONESTOPBIT;
    bool dsrDtrHandshake = false;
    bool ctsRtsHandshake = false;
    bool xonXoff = false;
    pal::DWORD inputQueue = 16384;
    pal::DWORD outputQueue = 4096;
    char xonChar = 17;
    char xoffChar = 19;
    pal::DWORD xonLimit = 256;
    pal::DWORD xoffLimit = 256;
};

class CommFile_t : public glo::NonCopyable_t {
public:
    // Opens the port exclusively and configures it; CommFileError_t with the
    // step's line on failure.
    CommFile_t(const std::string& portName, const LineSettings_t& settings);

    pal::HANDLE Handle() const { return handle_.GetHandle(); }

private:
    [[noreturn]] void Fail(unsigned line);

    win::Handle_t handle_;  // closed on destruction
};

// True when a port of that name exists, free or held by another program.
bool PortExists(const std::string& portName);

}  // namespace spo
