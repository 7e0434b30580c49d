#include "pal/PAL_Comm.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>

#include "pal/PAL_Error.h"
#include "pal/PAL_FileObject.h"
#include "pal/PAL_Locations.h"

namespace pal {
namespace {

constexpr const char* kTtyClass = "/sys/class/tty/";

struct Speed_t {
    DWORD baud;
    speed_t speed;
};
constexpr Speed_t kSpeeds[] = {
    {110, B110},       {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},
    {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

BOOL Fail(DWORD code) {
    SetLastError(code);
    return FALSE;
}

DWORD FromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENXIO:
        case ENODEV:
        case ENOTDIR:
            return ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EBUSY:
        case EWOULDBLOCK:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case ENOTTY:
        case EINVAL:
            return ERROR_INVALID_FUNCTION;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        default:
            return ERROR_GEN_FAILURE;
    }
}

bool ValidName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.size() > 255) {
        return false;
    }
    for (const char c : name) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return false;
        }
    }
    return true;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// An open port. The descriptor is fixed for the object's life; the
// timeouts, which the kernel has no place for, are kept here under mutex.
class CommPort final : public IoObject {
public:
    CommPort(int fd, bool exclusive) : fd_(fd), exclusive_(exclusive) {}
    ~CommPort() override {
        if (exclusive_) {
            // Exclusivity would outlive us while another program holds the port.
            ::ioctl(fd_, TIOCNXCL);
        }
        ::close(fd_);
    }

    int Fd() const { return fd_; }
    COMMTIMEOUTS Timeouts() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return timeouts_;
    }
    void SetTimeouts(const COMMTIMEOUTS& timeouts) {
        const std::lock_guard<std::mutex> lock(mutex_);
        timeouts_ = timeouts;
    }

private:
    const int fd_;
    const bool exclusive_;
    mutable std::mutex mutex_;
    COMMTIMEOUTS timeouts_{};
};

// The port behind a handle and its terminal settings; null with the
// last-error value set when the handle is no port or the device no terminal.
std::shared_ptr<CommPort> OpenPort(HANDLE handle, termios& settings) {
    std::shared_ptr<CommPort> port = LookupHandle<CommPort>(handle);
    if (port && ::tcgetattr(port->Fd(), &settings) != 0) {
        SetLastError(FromErrno(errno));
        port.reset();
    }
    return port;
}

// Runs call(port, settings) on the port behind handle with its current
// settings; FALSE with the last error set when there is no such port.
template <typename Call>
BOOL WithPort(HANDLE handle, Call call) {
    termios settings{};
    const std::shared_ptr<CommPort> port = OpenPort(handle, settings);
    return port ? call(*port, settings) : FALSE;
}

void SetModemLine(int port, int line, bool on) {
    // Pseudo-terminals have no modem lines; that is not an error here.
    ::ioctl(port, on ? TIOCMBIS : TIOCMBIC, &line);
}

}  // namespace

DWORD ResolvePortName(const std::string& name, std::string& path) {
    std::string bare = name;
    if (bare.rfind("//./", 0) == 0 || bare.rfind("\\\\.\\", 0) == 0) {
        bare = bare.substr(4);
    }
    if (!ValidName(bare)) {
        return ERROR_INVALID_NAME;
    }
    const std::string ports = PortsDirectory() + "/";
    for (const std::string& candidate : {ports + bare, ports + Upper(bare)}) {
        if (Exists(candidate)) {
            path = candidate;
            return ERROR_SUCCESS;
        }
    }
    // Only the machine's serial devices: opening just any device by a name a
    // user typed could harm (/dev/watchdog arms the watchdog, /dev/tty is the
    // caller's own terminal). Those are the ttys with hardware behind them.
    const std::string device = "/dev/" + bare;
    if (Exists(kTtyClass + bare + "/device") && Exists(device)) {
        path = device;
        return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
}

HANDLE CreateCommFileA(const char* name, DWORD access, DWORD shareMode) {
    std::string path;
    const DWORD resolved = name != nullptr ? ResolvePortName(name, path) : ERROR_INVALID_NAME;
    if (resolved != ERROR_SUCCESS) {
        SetLastError(resolved);
        return INVALID_HANDLE_VALUE;
    }
    int flags = O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    if ((access & GENERIC_READ) != 0 && (access & GENERIC_WRITE) != 0) {
        flags |= O_RDWR;
    } else {
        flags |= (access & GENERIC_WRITE) != 0 ? O_WRONLY : O_RDONLY;
    }
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) {
        SetLastError(FromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    bool exclusive = false;
    if (shareMode == 0) {
        // Advisory among cooperating openers, and TIOCEXCL against others.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        int alreadyExclusive = 0;
        exclusive = ::isatty(fd) == 1 && ::ioctl(fd, TIOCGEXCL, &alreadyExclusive) == 0 &&
                    alreadyExclusive == 0 && ::ioctl(fd, TIOCEXCL) == 0;
    }
    const HANDLE handle = InsertHandle(std::make_shared<CommPort>(fd, exclusive));
    return handle != 0 ? handle : INVALID_HANDLE_VALUE;
}

BOOL GetCommState(HANDLE handle, DCB* state) {
    if (state == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    return WithPort(handle, [&](CommPort&, const termios& settings) -> BOOL {
        DCB result;
        const speed_t speed = ::cfgetospeed(&settings);
        for (const Speed_t& entry : kSpeeds) {
            if (entry.speed == speed) {
                result.BaudRate = entry.baud;
            }
        }
        switch (settings.c_cflag & CSIZE) {
            case CS5:
                result.ByteSize = 5;
                break;
            case CS6:
                result.ByteSize = 6;
                break;
            case CS7:
                result.ByteSize = 7;
                break;
            default:
                result.ByteSize = 8;
                break;
        }
        if ((settings.c_cflag & PARENB) != 0) {
            const bool odd = (settings.c_cflag & PARODD) != 0;
            if ((settings.c_cflag & CMSPAR) != 0) {
                result.Parity = odd ? MARKPARITY : SPACEPARITY;
            } else {
                result.Parity = odd ? ODDPARITY : EVENPARITY;
            }
        }
        result.StopBits = (settings.c_cflag & CSTOPB) != 0 ? TWOSTOPBITS : ONESTOPBIT;
        const bool ctsRts = (settings.c_cflag & CRTSCTS) != 0;
        result.fOutxCtsFlow = ctsRts ? 1 : 0;
        result.fRtsControl = ctsRts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
        result.fDtrControl = DTR_CONTROL_ENABLE;
        result.fOutX = (settings.c_iflag & IXON) != 0 ? 1 : 0;
        result.fInX = (settings.c_iflag & IXOFF) != 0 ? 1 : 0;
        result.fParity = (settings.c_iflag & INPCK) != 0 ? 1 : 0;
        result.XonChar = static_cast<char>(settings.c_cc[VSTART]);
        result.XoffChar = static_cast<char>(settings.c_cc[VSTOP]);
        *state = result;
        return TRUE;
    });
}

BOOL SetCommState(HANDLE handle, const DCB* state) {
    if (state == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    return WithPort(handle, [&](CommPort& port, termios& settings) -> BOOL {
        const Speed_t* speed = nullptr;
        for (const Speed_t& entry : kSpeeds) {
            if (entry.baud == state->BaudRate) {
                speed = &entry;
            }
        }
        if (speed == nullptr || state->ByteSize < 5 || state->ByteSize > 8 ||
            state->Parity > SPACEPARITY || state->StopBits > TWOSTOPBITS) {
            return Fail(ERROR_INVALID_PARAMETER);
        }
        // Binary mode: no line editing, echo, signals or character translation.
        settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR |
                                                   IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
        settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
        settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
        settings.c_cflag &=
            ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
        static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
        settings.c_cflag |= kSizes[state->ByteSize - 5] | CLOCAL | CREAD;
        if (state->Parity != NOPARITY) {
            settings.c_cflag |= PARENB;
            if (state->Parity == ODDPARITY || state->Parity == MARKPARITY) {
                settings.c_cflag |= PARODD;
            }
            if (state->Parity == MARKPARITY || state->Parity == SPACEPARITY) {
                settings.c_cflag |= CMSPAR;
            }
        }
        if (state->fParity != 0) {
            settings.c_iflag |= INPCK;
        }
        if (state->StopBits != ONESTOPBIT) {
            settings.c_cflag |= CSTOPB;
        }
        if (state->fOutxCtsFlow != 0 || state->fRtsControl == RTS_CONTROL_HANDSHAKE) {
            settings.c_cflag |= CRTSCTS;
        }
        if (state->fOutX != 0) {
            settings.c_iflag |= IXON;
        }
        if (state->fInX != 0) {
            settings.c_iflag |= IXOFF;
        }
        settings.c_cc[VSTART] = static_cast<cc_t>(state->XonChar);
        settings.c_cc[VSTOP] = static_cast<cc_t>(state->XoffChar);
        settings.c_cc[VMIN] = 1;
        settings.c_cc[VTIME] = 0;
        ::cfsetispeed(&settings, speed->speed);
        ::cfsetospeed(&settings, speed->speed);
        if (::tcsetattr(port.Fd(), TCSANOW, &settings) != 0) {
            return Fail(FromErrno(errno));
        }
        SetModemLine(port.Fd(), TIOCM_DTR, state->fDtrControl != DTR_CONTROL_DISABLE);
        SetModemLine(port.Fd(), TIOCM_RTS, state->fRtsControl != RTS_CONTROL_DISABLE);
        return TRUE;
    });
}

BOOL GetCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts) {
    if (timeouts == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    return WithPort(handle, [&](CommPort& port, const termios&) -> BOOL {
        *timeouts = port.Timeouts();
        return TRUE;
    });
}

BOOL SetCommTimeouts(HANDLE handle, const COMMTIMEOUTS* timeouts) {
    if (timeouts == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    return WithPort(handle, [&](CommPort& port, const termios&) -> BOOL {
        port.SetTimeouts(*timeouts);
        return TRUE;
    });
}

BOOL SetupComm(HANDLE handle, DWORD inQueue, DWORD outQueue) {
    return WithPort(handle, [&](CommPort&, const termios&) -> BOOL {
        return inQueue == 0 || outQueue == 0 ? Fail(ERROR_INVALID_PARAMETER) : TRUE;
    });
}

BOOL PurgeComm(HANDLE handle, DWORD flags) {
    return WithPort(handle, [&](CommPort& port, const termios&) -> BOOL {
        const bool input = (flags & (PURGE_RXABORT | PURGE_RXCLEAR)) != 0;
        const bool output = (flags & (PURGE_TXABORT | PURGE_TXCLEAR)) != 0;
        if (!input && !output) {
            return TRUE;
        }
        const int queue = input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH);
        return ::tcflush(port.Fd(), queue) == 0 ? TRUE : Fail(FromErrno(errno));
    });
}

BOOL ClearCommError(HANDLE handle, DWORD* errors, COMSTAT* status) {
    return WithPort(handle, [&](CommPort& port, const termios&) -> BOOL {
        if (errors != nullptr) {
            *errors = 0;
        }
        if (status != nullptr) {
            int in = 0;
            int out = 0;
            ::ioctl(port.Fd(), FIONREAD, &in);
            ::ioctl(port.Fd(), TIOCOUTQ, &out);
            status->cbInQue = in > 0 ? static_cast<DWORD>(in) : 0;
            status->cbOutQue = out > 0 ? static_cast<DWORD>(out) : 0;
        }
        return TRUE;
    });
}

}  // namespace pal
