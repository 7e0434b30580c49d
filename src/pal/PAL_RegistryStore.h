// The SQLite file behind the registry calls. Internal to pal: every member
// returns 0 or a Windows error number. Not thread-safe by itself; the call
// layer (PAL_Registry) serialises all use of a store.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pal/PAL_Registry.h"

struct sqlite3;

namespace pal::registry {

using KeyId = std::int64_t;
constexpr KeyId kRootKey = 1;

using Path_t = std::vector<std::string>;

struct KeyInfo_t {
    DWORD subKeys = 0;
    DWORD maxSubKeyLength = 0;
    DWORD values = 0;
    DWORD maxValueNameLength = 0;
    DWORD maxValueLength = 0;
};

struct ValueHead_t {
    std::string name;
    DWORD type = REG_NONE;
    DWORD size = 0;
};

// Splits a "\"-separated path; one trailing separator is allowed. Returns 87
// for empty or over-long components.
DWORD SplitPath(const char* path, Path_t& components);

class Store_t {
public:
    explicit Store_t(std::string path);
    ~Store_t();
    Store_t(const Store_t&) = delete;
    Store_t& operator=(const Store_t&) = delete;

    const std::string& Path() const { return path_; }

    // 1018 when the key no longer exists.
    DWORD CheckKey(KeyId key, bool& readDenied);
    DWORD OpenPath(KeyId parent, const Path_t& path, KeyId& result, bool& readDenied);
    DWORD CreatePath(KeyId parent, const Path_t& path, KeyId& result, bool& readDenied,
                     bool& created);

    // Copies the data only when buffer is given and large enough; size is
    // always the stored size.
    DWORD QueryValue(KeyId key, const std::string& name, DWORD& type, DWORD& size, BYTE* buffer,
                     DWORD bufferSize);
    DWORD SetValue(KeyId key, const std::string& name, DWORD type, const BYTE* data, DWORD size);
    DWORD DeleteValue(KeyId key, const std::string& name);
    DWORD ValueAt(KeyId key, DWORD index, ValueHead_t& head);
    DWORD SubKeyAt(KeyId key, DWORD index, std::string& name);
    DWORD QueryInfo(KeyId key, KeyInfo_t& info);
    DWORD DeleteKey(KeyId parent, const Path_t& path, bool tree);
    DWORD SetReadDenied(KeyId key, bool denied);
    DWORD Apply(const std::vector<RegEdit_t>& edits, std::size_t& failedEdit);

private:
    class Transaction_t;
    friend class Transaction_t;

    DWORD OpenForRead(bool& empty);
    DWORD OpenForWrite();
    DWORD EnsureSchema();
    DWORD Exec(const char* sql);
    DWORD FindChild(KeyId parent, const std::string& name, KeyId& child, bool& readDenied);
    DWORD Walk(KeyId parent, const Path_t& path, KeyId& result, bool& readDenied);
    DWORD CreateWalk(KeyId parent, const Path_t& path, KeyId& result, bool& readDenied,
                     bool& created);
    DWORD KeyRow(KeyId key, bool& readDenied);
    // Runs body in a read transaction once key is known to exist; on an empty
    // registry the root key answers emptyRootResult without running body.
    template <typename Body>
    DWORD ReadInKey(KeyId key, DWORD emptyRootResult, Body body);
    // Runs body in a write transaction and commits when it succeeds.
    template <typename Body>
    DWORD WriteInTransaction(bool ensureSchema, Body body);
    // The index-th row of an enumeration (sql binds key and index) handed to
    // read; 259 past the last.
    template <typename Read>
    DWORD ItemAt(KeyId key, DWORD index, const char* sql, Read read);
    DWORD ReadValue(KeyId key, const std::string& name, DWORD& type, DWORD& size, BYTE* buffer,
                    DWORD bufferSize);
    DWORD SetValueIn(KeyId key, const std::string& name, DWORD type, const BYTE* data, DWORD size);
    DWORD DeleteKeyIn(KeyId parent, const Path_t& path, bool tree);
    DWORD ApplyOne(const RegEdit_t& edit);

    std::string path_;
    sqlite3* db_ = nullptr;
    bool hasSchema_ = false;
};

// Maps an SQLite result to a Windows error number.
DWORD ErrorFromSqlite(int result, bool writing);

}  // namespace pal::registry
