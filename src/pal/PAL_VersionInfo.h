// Version information of our binaries: the block that the build places in
// the ELF section ".quorvel_version" (layout: docs/version-block.md), read
// from a file by path like the system's version resource.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pal/PAL_Types.h"
#include "pal/PAL_VersionBlock.h"

namespace pal {

// Size of the file's version block; 0 with the last-error value set: 2 no
// such file, 5 not readable, 193 not an ELF file we can read, 1813 no
// version section, 13 a malformed block. handle is set to 0 when given.
DWORD GetFileVersionInfoSizeA(const char* path, DWORD* handle);
// Copies the block into data (size bytes); FALSE with the last-error value
// set as above, or 122 when size is smaller than the block.
BOOL GetFileVersionInfoA(const char* path, DWORD handle, DWORD size, void* data);
// Queries a block that GetFileVersionInfoA filled: "\" (VS_FIXEDFILEINFO),
// "\VarFileInfo\Translation" (the language | code page << 16 entries) and
// "\StringFileInfo\llllcccc\Name" (a NUL-terminated text; length counts the
// NUL). Names compare without regard to ASCII case. FALSE when absent.
BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length);

namespace versionblock {

// The bytes of the version section of an ELF file; an error number as above
// (0 on success). The section's size is bounded by kMaxBlockSize.
DWORD ReadSection(const std::string& path, std::vector<std::uint8_t>& block);
// True when the bytes hold one complete, well-formed block; its size is
// taken from the block's own header and must fit in size.
bool IsWellFormed(const void* data, std::size_t size);

}  // namespace versionblock
}  // namespace pal
