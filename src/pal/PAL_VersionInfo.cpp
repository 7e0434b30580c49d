#include "pal/PAL_VersionInfo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>

#include "pal/PAL_Error.h"

namespace pal {
namespace versionblock {
namespace {

// ELF files are read with explicit offsets and bounds; nothing in the file
// is trusted, and every number is checked before it is used.
class FileReader_t {
public:
    explicit FileReader_t(int fd, std::uint64_t size) : fd_(fd), size_(size) {}

    bool Read(std::uint64_t offset, void* out, std::size_t count) const {
        if (offset > size_ || count > size_ - offset) {
            return false;
        }
        auto* dest = static_cast<char*>(out);
        while (count > 0) {
            const ssize_t got = ::pread(fd_, dest, count, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return false;
            }
            dest += got;
            offset += static_cast<std::uint64_t>(got);
            count -= static_cast<std::size_t>(got);
        }
        return true;
    }
    std::uint64_t Size() const { return size_; }

private:
    int fd_;
    std::uint64_t size_;
};

std::uint64_t LittleEndian(const std::uint8_t* p, std::size_t width) {
    std::uint64_t v = 0;
    for (std::size_t i = width; i-- > 0;) {
        v = (v << 8) | p[i];
    }
    return v;
}

struct Section_t {
    std::uint32_t name = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint32_t link = 0;
};

constexpr std::uint32_t kShtNobits = 8;
constexpr std::uint32_t kShnXindex = 0xFFFF;
constexpr std::uint64_t kMaxSections = 1u << 16;

class ElfFile_t {
public:
    explicit ElfFile_t(const FileReader_t& file) : file_(file) {}

    // 0, or the error number for a file we cannot read as ELF.
    DWORD ReadHeader() {
        std::uint8_t ident[64] = {};
        if (!file_.Read(0, ident, 16) || std::memcmp(ident,
                                                     "\x7f"
                                                     "ELF",
                                                     4) != 0) {
            return ERROR_BAD_EXE_FORMAT;
        }
        wide_ = ident[4] == 2;
        if ((ident[4] != 1 && ident[4] != 2) || ident[5] != 1) {  // little-endian only
            return ERROR_BAD_EXE_FORMAT;
        }
        const std::size_t headerSize = wide_ ? 64 : 52;
        if (!file_.Read(0, ident, headerSize)) {
            return ERROR_BAD_EXE_FORMAT;
        }
        shoff_ = wide_ ? LittleEndian(ident + 0x28, 8) : LittleEndian(ident + 0x20, 4);
        shentsize_ = LittleEndian(ident + (wide_ ? 0x3A : 0x2E), 2);
        shnum_ = LittleEndian(ident + (wide_ ? 0x3C : 0x30), 2);
        shstrndx_ = LittleEndian(ident + (wide_ ? 0x3E : 0x32), 2);
        if (shoff_ == 0 || shentsize_ < (wide_ ? 64u : 40u)) {
            return ERROR_RESOURCE_TYPE_NOT_FOUND;  // no section table at all
        }
        // Extended numbering keeps the real counts in section 0.
        if (shnum_ == 0 || shstrndx_ == kShnXindex) {
            const std::optional<Section_t> first = SectionAt(0);
            if (!first) {
                return ERROR_BAD_EXE_FORMAT;
            }
            if (shnum_ == 0) {
                shnum_ = first->size;
            }
            if (shstrndx_ == kShnXindex) {
                shstrndx_ = first->link;
            }
        }
        if (shnum_ > kMaxSections || shstrndx_ >= shnum_) {
            return ERROR_BAD_EXE_FORMAT;
        }
        return 0;
    }

    std::optional<Section_t> SectionAt(std::uint64_t index) const {
        const std::size_t width = wide_ ? 64 : 40;
        std::uint8_t raw[64];
        // Bounds before arithmetic, so that no offset can wrap around.
        if (shoff_ > file_.Size() || index > (file_.Size() - shoff_) / shentsize_ ||
            !file_.Read(shoff_ + index * shentsize_, raw, width)) {
            return std::nullopt;
        }
        Section_t s;
        s.name = static_cast<std::uint32_t>(LittleEndian(raw, 4));
        s.type = static_cast<std::uint32_t>(LittleEndian(raw + 4, 4));
        s.offset = wide_ ? LittleEndian(raw + 0x18, 8) : LittleEndian(raw + 0x10, 4);
        s.size = wide_ ? LittleEndian(raw + 0x20, 8) : LittleEndian(raw + 0x14, 4);
        s.link = static_cast<std::uint32_t>(LittleEndian(raw + (wide_ ? 0x28 : 0x18), 4));
        return s;
    }

    // 0 and the section, or the error number.
    DWORD Find(std::string_view wanted, Section_t& found) const {
        const std::optional<Section_t> names = SectionAt(shstrndx_);
        if (!names || names->type == kShtNobits || names->offset > file_.Size() ||
            names->size > file_.Size() - names->offset) {
            return ERROR_BAD_EXE_FORMAT;
        }
        for (std::uint64_t i = 0; i < shnum_; ++i) {
            const std::optional<Section_t> s = SectionAt(i);
            if (!s) {
                return ERROR_BAD_EXE_FORMAT;
            }
            if (NameIs(*names, s->name, wanted)) {
                found = *s;
                return 0;
            }
        }
        return ERROR_RESOURCE_TYPE_NOT_FOUND;
    }

private:
    bool NameIs(const Section_t& names, std::uint32_t at, std::string_view wanted) const {
        // The name and its NUL must lie inside the string table.
        if (at >= names.size || wanted.size() + 1 > names.size - at) {
            return false;
        }
        char text[64];
        if (wanted.size() + 1 > sizeof text ||
            !file_.Read(names.offset + at, text, wanted.size() + 1)) {
            return false;
        }
        return std::string_view(text, wanted.size()) == wanted && text[wanted.size()] == '\0';
    }

    const FileReader_t& file_;
    bool wide_ = true;
    std::uint64_t shoff_ = 0;
    std::uint64_t shentsize_ = 0;
    std::uint64_t shnum_ = 0;
    std::uint64_t shstrndx_ = 0;
};

class Fd_t {
public:
    explicit Fd_t(int fd) : fd_(fd) {}
    ~Fd_t() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd_t(const Fd_t&) = delete;
    Fd_t& operator=(const Fd_t&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

DWORD OpenErrorFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM:
            return ERROR_ACCESS_DENIED;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        default:
            return ERROR_CANTOPEN;
    }
}

// A parsed view of a well-formed block; every pointer lies inside it.
struct View_t {
    const std::uint8_t* fixed = nullptr;
    const std::uint8_t* translations = nullptr;
    std::uint32_t translationCount = 0;
    const std::uint8_t* tables = nullptr;  // the table count
    std::size_t end = 0;                   // block size
};

class Cursor_t {
public:
    Cursor_t(const std::uint8_t* base, std::size_t size, std::size_t pos)
        : base_(base), size_(size), pos_(pos) {}
    bool Take(std::size_t count, const std::uint8_t*& at) {
        if (count > size_ - pos_) {
            return false;
        }
        at = base_ + pos_;
        pos_ += count;
        return true;
    }
    bool U16(std::uint32_t& v) { return Number(2, v); }
    bool U32(std::uint32_t& v) { return Number(4, v); }

private:
    bool Number(std::size_t width, std::uint32_t& v) {
        const std::uint8_t* at = nullptr;
        if (!Take(width, at)) {
            return false;
        }
        v = static_cast<std::uint32_t>(LittleEndian(at, width));
        return true;
    }
    const std::uint8_t* base_;
    std::size_t size_;
    std::size_t pos_;
};

bool IsText(const std::uint8_t* at, std::uint32_t size) {
    return size >= 1 && at[size - 1] == 0;
}

struct Entry_t {
    std::string_view key;
    const std::uint8_t* value;
    std::uint32_t valueSize;  // with its NUL
};

// Walks every table and entry; visit(tableName, entry) may stop the walk by
// returning true. Returns false for a malformed block.
template <typename Visit>
bool WalkTables(const View_t& view, const std::uint8_t* base, Visit&& visit) {
    Cursor_t c(base, view.end, static_cast<std::size_t>(view.tables - base));
    std::uint32_t tableCount = 0;
    if (!c.U32(tableCount) || tableCount > kMaxTranslations) {
        return false;
    }
    for (std::uint32_t t = 0; t < tableCount; ++t) {
        const std::uint8_t* name = nullptr;
        std::uint32_t entryCount = 0;
        if (!c.Take(kTableNameSize, name) || !c.U32(entryCount)) {
            return false;
        }
        const std::string_view tableName(reinterpret_cast<const char*>(name), kTableNameSize);
        for (std::uint32_t e = 0; e < entryCount; ++e) {
            std::uint32_t keySize = 0;
            std::uint32_t valueSize = 0;
            const std::uint8_t* key = nullptr;
            const std::uint8_t* value = nullptr;
            if (!c.U16(keySize) || !c.U16(valueSize) || !c.Take(keySize, key) ||
                !c.Take(valueSize, value) || !IsText(key, keySize) || !IsText(value, valueSize)) {
                return false;
            }
            const Entry_t entry{std::string_view(reinterpret_cast<const char*>(key), keySize - 1),
                                value, valueSize};
            if (visit(tableName, entry)) {
                return true;
            }
        }
    }
    return true;
}

std::optional<View_t> Parse(const void* data, std::size_t size) {
    const auto* base = static_cast<const std::uint8_t*>(data);
    if (base == nullptr || size < kTranslationsOffset ||
        std::memcmp(base, kMagic.data(), kMagic.size()) != 0) {
        return std::nullopt;
    }
    const std::uint32_t total = static_cast<std::uint32_t>(LittleEndian(base + 4, 4));
    if (total < kTranslationsOffset || total > size || total > kMaxBlockSize ||
        LittleEndian(base + kFixedOffset, 4) != kFixedSignature) {
        return std::nullopt;
    }
    View_t view;
    view.end = total;
    view.fixed = base + kFixedOffset;
    view.translationCount =
        static_cast<std::uint32_t>(LittleEndian(base + kTranslationCountOffset, 4));
    if (view.translationCount > kMaxTranslations ||
        kTranslationsOffset + 4u * view.translationCount + 4u > total) {
        return std::nullopt;
    }
    view.translations = base + kTranslationsOffset;
    view.tables = view.translations + 4u * view.translationCount;
    if (!WalkTables(view, base, [](std::string_view, const Entry_t&) { return false; })) {
        return std::nullopt;
    }
    return view;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

// Splits "\A\B\C" into its parts, ignoring repeated separators.
std::vector<std::string_view> SplitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t pos = 0;
    while (pos < path.size()) {
        if (path[pos] == '\\') {
            ++pos;
            continue;
        }
        const std::size_t next = path.find('\\', pos);
        const std::size_t end = next == std::string_view::npos ? path.size() : next;
        parts.push_back(path.substr(pos, end - pos));
        pos = end;
    }
    return parts;
}

}  // namespace

DWORD ReadSection(const std::string& path, std::vector<std::uint8_t>& block) {
    const Fd_t fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        return OpenErrorFromErrno(errno);
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return ERROR_BAD_EXE_FORMAT;
    }
    const FileReader_t file(fd.Get(), static_cast<std::uint64_t>(st.st_size));
    ElfFile_t elf(file);
    if (const DWORD error = elf.ReadHeader(); error != 0) {
        return error;
    }
    Section_t section;
    if (const DWORD error = elf.Find(kSectionName, section); error != 0) {
        return error;
    }
    if (section.type == kShtNobits || section.size > kMaxBlockSize) {
        return ERROR_INVALID_DATA;
    }
    block.assign(static_cast<std::size_t>(section.size), 0);
    if (!file.Read(section.offset, block.data(), block.size())) {
        block.clear();
        return ERROR_INVALID_DATA;
    }
    if (!IsWellFormed(block.data(), block.size())) {
        block.clear();
        return ERROR_INVALID_DATA;
    }
    return 0;
}

bool IsWellFormed(const void* data, std::size_t size) {
    return Parse(data, size).has_value();
}

}  // namespace versionblock

DWORD GetFileVersionInfoSizeA(const char* path, DWORD* handle) {
    if (handle != nullptr) {
        *handle = 0;
    }
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::vector<std::uint8_t> block;
    if (const DWORD error = versionblock::ReadSection(path, block); error != 0) {
        SetLastError(error);
        return 0;
    }
    return static_cast<DWORD>(block.size());
}

BOOL GetFileVersionInfoA(const char* path, DWORD, DWORD size, void* data) {
    if (path == nullptr || data == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<std::uint8_t> block;
    if (const DWORD error = versionblock::ReadSection(path, block); error != 0) {
        SetLastError(error);
        return FALSE;
    }
    // The file may have changed since its size was asked for.
    if (block.size() > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(data, block.data(), block.size());
    return TRUE;
}

BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length) {
    using namespace versionblock;
    if (block == nullptr || subBlock == nullptr || buffer == nullptr || length == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The block's own header bounds it; GetFileVersionInfoA checked it whole.
    const auto* base = static_cast<const std::uint8_t*>(block);
    const std::size_t claimed =
        std::memcmp(base, kMagic.data(), kMagic.size()) == 0 ? LittleEndian(base + 4, 4) : 0;
    const std::optional<View_t> view = Parse(block, claimed);
    if (!view) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    const std::vector<std::string_view> parts = SplitPath(subBlock);
    if (parts.empty()) {
        *buffer = const_cast<std::uint8_t*>(view->fixed);
        *length = static_cast<UINT>(kFixedSize);
        return TRUE;
    }
    if (parts.size() == 2 && SameNoCase(parts[0], "VarFileInfo") &&
        SameNoCase(parts[1], "Translation")) {
        *buffer = const_cast<std::uint8_t*>(view->translations);
        *length = 4 * view->translationCount;
        return TRUE;
    }
    if (parts.size() == 3 && SameNoCase(parts[0], "StringFileInfo")) {
        const Entry_t* hit = nullptr;
        Entry_t found{};
        WalkTables(*view, base, [&](std::string_view table, const Entry_t& entry) {
            if (SameNoCase(table, parts[1]) && SameNoCase(entry.key, parts[2])) {
                found = entry;
                hit = &found;
                return true;
            }
            return false;
        });
        if (hit != nullptr) {
            *buffer = const_cast<std::uint8_t*>(hit->value);
            *length = hit->valueSize;
            return TRUE;
        }
    }
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
}

}  // namespace pal
