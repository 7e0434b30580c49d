#include "pal/PAL_RegistryStore.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "pal/PAL_Error.h"

namespace pal::registry {
namespace {

// Other processes may hold the file for a moment; wait this long for them.
constexpr int kBusyTimeoutMs = 10000;

// The NOCASE collation folds ASCII letters only, which is what the registry
// compares by.
constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS reg_keys("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  parent INTEGER NOT NULL,"
    "  name TEXT NOT NULL COLLATE NOCASE,"
    "  deny_read INTEGER NOT NULL DEFAULT 0,"
    "  UNIQUE(parent, name));"
    "CREATE TABLE IF NOT EXISTS reg_values("
    "  key INTEGER NOT NULL,"
    "  name TEXT NOT NULL COLLATE NOCASE,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  UNIQUE(key, name));"
    "INSERT OR IGNORE INTO reg_keys(id, parent, name) VALUES(1, 0, 'HKEY_LOCAL_MACHINE');";

// Binds and steps one prepared statement; finalised on destruction.
class Statement_t {
public:
    Statement_t(sqlite3* db, const char* sql) {
        result_ = sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr);
    }
    ~Statement_t() { sqlite3_finalize(statement_); }
    Statement_t(const Statement_t&) = delete;
    Statement_t& operator=(const Statement_t&) = delete;

    int Prepared() const { return result_; }
    void Bind(int index, std::int64_t value) { sqlite3_bind_int64(statement_, index, value); }
    void Bind(int index, const std::string& text) {
        sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }
    void BindBlob(int index, const BYTE* data, DWORD size) {
        static const BYTE empty = 0;
        sqlite3_bind_blob(statement_, index, size != 0 ? data : &empty, static_cast<int>(size),
                          SQLITE_TRANSIENT);
    }
    int Step() { return result_ == SQLITE_OK ? sqlite3_step(statement_) : result_; }
    std::int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
    std::string Text(int column) const {
        const unsigned char* text = sqlite3_column_text(statement_, column);
        const int bytes = sqlite3_column_bytes(statement_, column);
        return text != nullptr ? std::string(reinterpret_cast<const char*>(text),
                                             static_cast<std::size_t>(bytes))
                               : std::string();
    }
    const void* Blob(int column, int& bytes) const {
        const void* blob = sqlite3_column_blob(statement_, column);
        bytes = sqlite3_column_bytes(statement_, column);
        return blob;
    }

private:
    sqlite3_stmt* statement_ = nullptr;
    int result_;
};

DWORD StepError(int result, bool writing) {
    return result == SQLITE_ROW || result == SQLITE_DONE ? ERROR_SUCCESS
                                                         : ErrorFromSqlite(result, writing);
}

// Clamps a count read from the file into a DWORD (a damaged file may hold
// anything).
DWORD ToDword(std::int64_t value) {
    if (value < 0) {
        return 0;
    }
    return value > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<DWORD>(value);
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

DWORD MakeDirectories(const std::string& directory, mode_t mode) {
    if (directory.empty() || FileExists(directory)) {
        return ERROR_SUCCESS;
    }
    const std::size_t slash = directory.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        const DWORD parent = MakeDirectories(directory.substr(0, slash), mode);
        if (parent != ERROR_SUCCESS) {
            return parent;
        }
    }
    if (::mkdir(directory.c_str(), mode) != 0 && errno != EEXIST) {
        return errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

// BEGIN on construction, ROLLBACK unless committed.
class Store_t::Transaction_t {
public:
    Transaction_t(Store_t& store, bool writing) : store_(store), writing_(writing) {
        begun_ = store_.Exec(writing ? "BEGIN IMMEDIATE" : "BEGIN DEFERRED");
    }
    ~Transaction_t() {
        if (begun_ == ERROR_SUCCESS && !committed_) {
            sqlite3_exec(store_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
            // The schema may have been made in this transaction.
            store_.hasSchema_ = false;
        }
    }
    Transaction_t(const Transaction_t&) = delete;
    Transaction_t& operator=(const Transaction_t&) = delete;

    DWORD Begun() const { return begun_; }
    DWORD Commit() {
        const int result = sqlite3_exec(store_.db_, "COMMIT", nullptr, nullptr, nullptr);
        if (result != SQLITE_OK) {
            return ErrorFromSqlite(result, writing_);
        }
        committed_ = true;
        return ERROR_SUCCESS;
    }

private:
    Store_t& store_;
    bool writing_;
    DWORD begun_;
    bool committed_ = false;
};

DWORD ErrorFromSqlite(int result, bool writing) {
    switch (result & 0xFF) {
        case SQLITE_OK:
        case SQLITE_ROW:
        case SQLITE_DONE:
            return ERROR_SUCCESS;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return ERROR_ACCESS_DENIED;
        case SQLITE_CANTOPEN:
            // No journal can be made beside the file, or the file cannot be read.
            return ERROR_ACCESS_DENIED;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return ERROR_BUSY;
        case SQLITE_NOMEM:
            return ERROR_OUTOFMEMORY;
        case SQLITE_TOOBIG:
            return writing ? ERROR_INVALID_PARAMETER : ERROR_REGISTRY_CORRUPT;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_SCHEMA:
        case SQLITE_ERROR:
        case SQLITE_MISMATCH:
        case SQLITE_CONSTRAINT:
            return ERROR_REGISTRY_CORRUPT;
        default:
            return ERROR_REGISTRY_IO_FAILED;
    }
}

namespace {

// Steps a query that should give one row: ERROR_SUCCESS when it does,
// whenNone when it gives none, the store's error otherwise.
DWORD StepToRow(Statement_t& query, DWORD whenNone) {
    const int step = query.Step();
    if (step == SQLITE_DONE) {
        return whenNone;
    }
    return step == SQLITE_ROW ? ERROR_SUCCESS : ErrorFromSqlite(step, false);
}

}  // namespace

DWORD SplitPath(const char* path, Path_t& components) {
    components.clear();
    if (path == nullptr || *path == '\0') {
        return ERROR_SUCCESS;
    }
    std::string text(path);
    if (text.back() == '\\') {
        text.pop_back();
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find('\\', start);
        std::string component =
            text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (component.empty() || component.size() > kMaxKeyNameLength) {
            components.clear();
            return ERROR_INVALID_PARAMETER;
        }
        components.push_back(std::move(component));
        if (end == std::string::npos) {
            return ERROR_SUCCESS;
        }
        start = end + 1;
    }
}

Store_t::Store_t(std::string path) : path_(std::move(path)) {}

Store_t::~Store_t() {
    sqlite3_close(db_);
}

DWORD Store_t::Exec(const char* sql) {
    const int result = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    return result == SQLITE_OK ? ERROR_SUCCESS : ErrorFromSqlite(result, true);
}

// A missing file, or one without our tables, reads as an empty registry.
DWORD Store_t::OpenForRead(bool& empty) {
    empty = false;
    if (db_ == nullptr) {
        if (!FileExists(path_)) {
            empty = true;
            return ERROR_SUCCESS;
        }
        const int result = sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
        if (result != SQLITE_OK) {
            sqlite3_close(db_);
            db_ = nullptr;
            return ErrorFromSqlite(result, false);
        }
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    }
    if (!hasSchema_) {
        Statement_t query(db_, "SELECT count(*) FROM sqlite_master WHERE name = 'reg_keys'");
        const int step = query.Step();
        if (step != SQLITE_ROW) {
            return ErrorFromSqlite(step, false);
        }
        hasSchema_ = query.Int(0) != 0;
        empty = !hasSchema_;
    }
    return ERROR_SUCCESS;
}

DWORD Store_t::OpenForWrite() {
    if (db_ == nullptr) {
        const bool isRoot = ::geteuid() == 0;
        const bool existed = FileExists(path_);
        if (!existed) {
            const DWORD made = MakeDirectories(DirectoryOf(path_), isRoot ? 0755 : 0700);
            if (made != ERROR_SUCCESS) {
                return made;
            }
        }
        const int result = sqlite3_open_v2(path_.c_str(), &db_,
                                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (result != SQLITE_OK) {
            sqlite3_close(db_);
            db_ = nullptr;
            return ErrorFromSqlite(result, true);
        }
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        // Rollback journal: readers need no write access to the directory.
        // Fails harmlessly on a read-only file.
        sqlite3_exec(db_, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
        if (!existed && isRoot) {
            // Readable by every user, writable by root only.
            ::chmod(path_.c_str(), 0644);
        }
    }
    if (sqlite3_db_readonly(db_, "main") == 1) {
        return ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
}

DWORD Store_t::EnsureSchema() {
    if (hasSchema_) {
        return ERROR_SUCCESS;
    }
    const DWORD result = Exec(kSchema);
    hasSchema_ = result == ERROR_SUCCESS;
    return result;
}

DWORD Store_t::KeyRow(KeyId key, bool& readDenied) {
    Statement_t query(db_, "SELECT deny_read FROM reg_keys WHERE id = ?");
    query.Bind(1, key);
    if (const DWORD status = StepToRow(query, ERROR_KEY_DELETED); status != ERROR_SUCCESS) {
        return status;
    }
    readDenied = query.Int(0) != 0;
    return ERROR_SUCCESS;
}

template <typename Body>
DWORD Store_t::ReadInKey(KeyId key, DWORD emptyRootResult, Body body) {
    bool empty = false;
    DWORD status = OpenForRead(empty);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (empty) {
        return key == kRootKey ? emptyRootResult : ERROR_KEY_DELETED;
    }
    Transaction_t transaction(*this, false);
    if (transaction.Begun() != ERROR_SUCCESS) {
        return transaction.Begun();
    }
    bool denied = false;
    status = KeyRow(key, denied);
    return status == ERROR_SUCCESS ? body() : status;
}

template <typename Body>
DWORD Store_t::WriteInTransaction(bool ensureSchema, Body body) {
    DWORD status = OpenForWrite();
    if (status != ERROR_SUCCESS) {
        return status;
    }
    Transaction_t transaction(*this, true);
    status = transaction.Begun();
    if (status == ERROR_SUCCESS && ensureSchema) {
        status = EnsureSchema();
    }
    if (status == ERROR_SUCCESS) {
        status = body();
    }
    return status == ERROR_SUCCESS ? transaction.Commit() : status;
}

DWORD Store_t::CheckKey(KeyId key, bool& readDenied) {
    readDenied = false;
    bool empty = false;
    const DWORD opened = OpenForRead(empty);
    if (opened != ERROR_SUCCESS) {
        return opened;
    }
    if (empty) {
        return key == kRootKey ? ERROR_SUCCESS : ERROR_KEY_DELETED;
    }
    return KeyRow(key, readDenied);
}

DWORD Store_t::FindChild(KeyId parent, const std::string& name, KeyId& child, bool& readDenied) {
    Statement_t query(db_, "SELECT id, deny_read FROM reg_keys WHERE parent = ? AND name = ?");
    query.Bind(1, parent);
    query.Bind(2, name);
    if (const DWORD status = StepToRow(query, ERROR_FILE_NOT_FOUND); status != ERROR_SUCCESS) {
        return status;
    }
    child = query.Int(0);
    readDenied = query.Int(1) != 0;
    return ERROR_SUCCESS;
}

DWORD Store_t::Walk(KeyId parent, const Path_t& path, KeyId& result, bool& readDenied) {
    DWORD status = KeyRow(parent, readDenied);
    KeyId current = parent;
    for (std::size_t i = 0; status == ERROR_SUCCESS && i < path.size(); ++i) {
        status = FindChild(current, path[i], current, readDenied);
    }
    if (status == ERROR_SUCCESS) {
        result = current;
    }
    return status;
}

DWORD Store_t::OpenPath(KeyId parent, const Path_t& path, KeyId& result, bool& readDenied) {
    readDenied = false;
    bool empty = false;
    DWORD status = OpenForRead(empty);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (empty) {
        if (parent != kRootKey) {
            return ERROR_KEY_DELETED;
        }
        result = kRootKey;
        return path.empty() ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    }
    Transaction_t transaction(*this, false);
    if (transaction.Begun() != ERROR_SUCCESS) {
        return transaction.Begun();
    }
    return Walk(parent, path, result, readDenied);
}

DWORD Store_t::CreateWalk(KeyId parent, const Path_t& path, KeyId& result, bool& readDenied,
                          bool& created) {
    DWORD status = KeyRow(parent, readDenied);
    KeyId current = parent;
    for (std::size_t i = 0; status == ERROR_SUCCESS && i < path.size(); ++i) {
        KeyId child = 0;
        status = FindChild(current, path[i], child, readDenied);
        if (status == ERROR_FILE_NOT_FOUND) {
            Statement_t insert(db_, "INSERT INTO reg_keys(parent, name) VALUES(?, ?)");
            insert.Bind(1, current);
            insert.Bind(2, path[i]);
            status = StepError(insert.Step(), true);
            child = sqlite3_last_insert_rowid(db_);
            readDenied = false;
            created = true;
        }
        current = child;
    }
    if (status == ERROR_SUCCESS) {
        result = current;
    }
    return status;
}

DWORD Store_t::CreatePath(KeyId parent, const Path_t& path, KeyId& result, bool& readDenied,
                          bool& created) {
    created = false;
    // An existing key opens without writing, so that a read-only store still
    // serves RegCreateKeyExA of keys that are there.
    DWORD status = OpenPath(parent, path, result, readDenied);
    if (status != ERROR_FILE_NOT_FOUND) {
        return status;
    }
    status = WriteInTransaction(
        true, [&] { return CreateWalk(parent, path, result, readDenied, created); });
    if (status != ERROR_SUCCESS) {
        created = false;
    }
    return status;
}

DWORD Store_t::QueryValue(KeyId key, const std::string& name, DWORD& type, DWORD& size,
                          BYTE* buffer, DWORD bufferSize) {
    return ReadInKey(key, ERROR_FILE_NOT_FOUND,
                     [&] { return ReadValue(key, name, type, size, buffer, bufferSize); });
}

DWORD Store_t::ReadValue(KeyId key, const std::string& name, DWORD& type, DWORD& size, BYTE* buffer,
                         DWORD bufferSize) {
    Statement_t query(db_,
                      "SELECT type, length(CAST(data AS BLOB)) FROM reg_values "
                      "WHERE key = ? AND name = ?");
    query.Bind(1, key);
    query.Bind(2, name);
    if (const DWORD status = StepToRow(query, ERROR_FILE_NOT_FOUND); status != ERROR_SUCCESS) {
        return status;
    }
    if (query.Int(1) > kMaxValueSize) {
        return ERROR_REGISTRY_CORRUPT;
    }
    type = ToDword(query.Int(0));
    size = ToDword(query.Int(1));
    if (buffer == nullptr || bufferSize < size) {
        return ERROR_SUCCESS;
    }
    Statement_t read(db_, "SELECT CAST(data AS BLOB) FROM reg_values WHERE key = ? AND name = ?");
    read.Bind(1, key);
    read.Bind(2, name);
    if (read.Step() != SQLITE_ROW) {
        return ERROR_REGISTRY_CORRUPT;
    }
    int bytes = 0;
    const void* blob = read.Blob(0, bytes);
    if (bytes < 0 || static_cast<DWORD>(bytes) != size || (bytes > 0 && blob == nullptr)) {
        return ERROR_REGISTRY_CORRUPT;
    }
    if (bytes > 0) {
        std::memcpy(buffer, blob, static_cast<std::size_t>(bytes));
    }
    return ERROR_SUCCESS;
}

DWORD Store_t::SetValueIn(KeyId key, const std::string& name, DWORD type, const BYTE* data,
                          DWORD size) {
    bool denied = false;
    DWORD status = KeyRow(key, denied);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    // An update keeps the value's place in the enumeration and its spelling.
    Statement_t upsert(db_,
                       "INSERT INTO reg_values(key, name, type, data) VALUES(?, ?, ?, ?) "
                       "ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, "
                       "data = excluded.data");
    upsert.Bind(1, key);
    upsert.Bind(2, name);
    upsert.Bind(3, static_cast<std::int64_t>(type));
    upsert.BindBlob(4, data, size);
    return StepError(upsert.Step(), true);
}

DWORD Store_t::SetValue(KeyId key, const std::string& name, DWORD type, const BYTE* data,
                        DWORD size) {
    return WriteInTransaction(true, [&] { return SetValueIn(key, name, type, data, size); });
}

DWORD Store_t::DeleteValue(KeyId key, const std::string& name) {
    DWORD type = 0;
    DWORD size = 0;
    // Look first: deleting a missing value reports 2 even on a read-only store.
    DWORD status = QueryValue(key, name, type, size, nullptr, 0);
    if (status != ERROR_SUCCESS && status != ERROR_REGISTRY_CORRUPT) {
        return status;
    }
    return WriteInTransaction(false, [&] {
        Statement_t remove(db_, "DELETE FROM reg_values WHERE key = ? AND name = ?");
        remove.Bind(1, key);
        remove.Bind(2, name);
        const DWORD removed = StepError(remove.Step(), true);
        return removed == ERROR_SUCCESS && sqlite3_changes(db_) == 0 ? ERROR_FILE_NOT_FOUND
                                                                     : removed;
    });
}

template <typename Read>
DWORD Store_t::ItemAt(KeyId key, DWORD index, const char* sql, Read read) {
    return ReadInKey(key, ERROR_NO_MORE_ITEMS, [&]() -> DWORD {
        Statement_t query(db_, sql);
        query.Bind(1, key);
        query.Bind(2, static_cast<std::int64_t>(index));
        if (const DWORD status = StepToRow(query, ERROR_NO_MORE_ITEMS); status != ERROR_SUCCESS) {
            return status;
        }
        read(query);
        return ERROR_SUCCESS;
    });
}

DWORD Store_t::ValueAt(KeyId key, DWORD index, ValueHead_t& head) {
    return ItemAt(key, index,
                  "SELECT name, type, length(CAST(data AS BLOB)) FROM reg_values "
                  "WHERE key = ? ORDER BY rowid LIMIT 1 OFFSET ?",
                  [&](const auto& row) {
                      head.name = row.Text(0);
                      head.type = ToDword(row.Int(1));
                      head.size = ToDword(row.Int(2));
                  });
}

DWORD Store_t::SubKeyAt(KeyId key, DWORD index, std::string& name) {
    return ItemAt(key, index,
                  "SELECT name FROM reg_keys WHERE parent = ? AND id != parent "
                  "ORDER BY name, id LIMIT 1 OFFSET ?",
                  [&](const auto& row) { name = row.Text(0); });
}

DWORD Store_t::QueryInfo(KeyId key, KeyInfo_t& info) {
    info = {};
    return ReadInKey(key, ERROR_SUCCESS, [&]() -> DWORD {
        Statement_t keys(db_,
                         "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0) "
                         "FROM reg_keys WHERE parent = ? AND id != parent");
        keys.Bind(1, key);
        int step = keys.Step();
        if (step != SQLITE_ROW) {
            return ErrorFromSqlite(step, false);
        }
        info.subKeys = ToDword(keys.Int(0));
        info.maxSubKeyLength = ToDword(keys.Int(1));
        Statement_t values(db_,
                           "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0), "
                           "coalesce(max(length(CAST(data AS BLOB))), 0) "
                           "FROM reg_values WHERE key = ?");
        values.Bind(1, key);
        step = values.Step();
        if (step != SQLITE_ROW) {
            return ErrorFromSqlite(step, false);
        }
        info.values = ToDword(values.Int(0));
        info.maxValueNameLength = ToDword(values.Int(1));
        info.maxValueLength = ToDword(values.Int(2));
        return ERROR_SUCCESS;
    });
}

DWORD Store_t::DeleteKeyIn(KeyId parent, const Path_t& path, bool tree) {
    KeyId target = 0;
    bool denied = false;
    DWORD status = Walk(parent, path, target, denied);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (target == kRootKey) {
        return ERROR_ACCESS_DENIED;
    }
    if (!tree) {
        Statement_t children(db_, "SELECT count(*) FROM reg_keys WHERE parent = ?");
        children.Bind(1, target);
        const int step = children.Step();
        if (step != SQLITE_ROW) {
            return ErrorFromSqlite(step, false);
        }
        if (children.Int(0) != 0) {
            return ERROR_ACCESS_DENIED;
        }
    }
    // UNION (not UNION ALL) ends even on a damaged file whose parents loop.
    constexpr const char* kTree =
        "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION "
        "SELECT k.id FROM reg_keys k JOIN sub ON k.parent = sub.id AND k.id != ?2) ";
    Statement_t values(
        db_,
        (std::string(kTree) + "DELETE FROM reg_values WHERE key IN (SELECT id FROM sub)").c_str());
    values.Bind(1, target);
    values.Bind(2, kRootKey);
    status = StepError(values.Step(), true);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    Statement_t keys(
        db_,
        (std::string(kTree) + "DELETE FROM reg_keys WHERE id IN (SELECT id FROM sub)").c_str());
    keys.Bind(1, target);
    keys.Bind(2, kRootKey);
    return StepError(keys.Step(), true);
}

DWORD Store_t::DeleteKey(KeyId parent, const Path_t& path, bool tree) {
    KeyId target = 0;
    bool denied = false;
    DWORD status = OpenPath(parent, path, target, denied);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    return WriteInTransaction(false, [&] { return DeleteKeyIn(parent, path, tree); });
}

DWORD Store_t::SetReadDenied(KeyId key, bool denied) {
    bool wasDenied = false;
    DWORD status = CheckKey(key, wasDenied);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    return WriteInTransaction(true, [&] {
        const DWORD checked = KeyRow(key, wasDenied);
        if (checked != ERROR_SUCCESS) {
            return checked;
        }
        Statement_t update(db_, "UPDATE reg_keys SET deny_read = ? WHERE id = ?");
        update.Bind(1, denied ? 1 : 0);
        update.Bind(2, key);
        return StepError(update.Step(), true);
    });
}

DWORD Store_t::ApplyOne(const RegEdit_t& edit) {
    Path_t path;
    DWORD status = SplitPath(edit.keyPath.c_str(), path);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    KeyId key = 0;
    bool denied = false;
    bool created = false;
    switch (edit.kind) {
        case RegEdit_t::Kind::CreateKey:
            return CreateWalk(kRootKey, path, key, denied, created);
        case RegEdit_t::Kind::DeleteTree:
            status = DeleteKeyIn(kRootKey, path, true);
            return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
        case RegEdit_t::Kind::SetValue:
            if (edit.valueName.size() > kMaxValueNameLength || edit.data.size() > kMaxValueSize) {
                return ERROR_INVALID_PARAMETER;
            }
            status = CreateWalk(kRootKey, path, key, denied, created);
            if (status != ERROR_SUCCESS) {
                return status;
            }
            return SetValueIn(key, edit.valueName, edit.type, edit.data.data(),
                              static_cast<DWORD>(edit.data.size()));
        case RegEdit_t::Kind::DeleteValue: {
            status = Walk(kRootKey, path, key, denied);
            if (status != ERROR_SUCCESS) {
                return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
            }
            Statement_t remove(db_, "DELETE FROM reg_values WHERE key = ? AND name = ?");
            remove.Bind(1, key);
            remove.Bind(2, edit.valueName);
            return StepError(remove.Step(), true);
        }
    }
    return ERROR_INVALID_PARAMETER;
}

DWORD Store_t::Apply(const std::vector<RegEdit_t>& edits, std::size_t& failedEdit) {
    failedEdit = 0;
    return WriteInTransaction(true, [&] {
        DWORD status = ERROR_SUCCESS;
        for (std::size_t i = 0; status == ERROR_SUCCESS && i < edits.size(); ++i) {
            status = ApplyOne(edits[i]);
            failedEdit = i;
        }
        return status;
    });
}

}  // namespace pal::registry
