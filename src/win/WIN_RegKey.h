// Read-only access to registry keys: shared key handles, keys opened along
// a path one component at a time, value names by index and string values.
// Key objects are used by one thread at a time (the count is not atomic).
#pragma once

#include <string>

#include "glo/GLO_NonCopyable.h"
#include "glo/GLO_SmartPtr.h"
#include "pal/PAL_Registry.h"

namespace win {

// Closes the key when the last reference goes.
class RegKeyHandle_t : public glo::RefCounter_t, public glo::NonCopyable_t {
public:
    explicit RegKeyHandle_t(pal::HKEY key) : key_(key) {}
    ~RegKeyHandle_t() override;

    pal::HKEY Get() const { return key_; }

private:
    pal::HKEY key_;
};

class RegKey_t {
public:
    // Opens one path component below a parent key.
    class KeyInitializer_t {
    public:
        virtual pal::HKEY Open(pal::HKEY parent, const std::string& component) const = 0;

    protected:
        KeyInitializer_t() = default;
        ~KeyInitializer_t() = default;
    };

    // Opens for reading (KEY_READ).
    class KeyReader_t final : public KeyInitializer_t {
    public:
        pal::HKEY Open(pal::HKEY parent, const std::string& component) const override;
    };

    // Takes ownership of an open key.
    RegKey_t(pal::HKEY key, std::string name);
    // The key at the end of a "\"-separated path below parent; a trailing
    // "\" ends the walk, an empty component fails the internal check.
    RegKey_t(const RegKey_t& parent, const std::string& path,
             const KeyInitializer_t& initializer = KeyReader_t());

    bool HasSubKey(const std::string& path) const;
    unsigned ValueCount() const;
    std::string ValueName(unsigned index) const;
    std::string ReadString(const std::string& valueName) const;

    pal::HKEY Handle() const { return handle_->Get(); }
    const std::string& Name() const { return name_; }

private:
    glo::SmartPtr_t<RegKeyHandle_t> handle_;
    std::string name_;
};

// HKEY_LOCAL_MACHINE, named "HKEY_LOCAL_MACHINE".
const RegKey_t& LocalMachineKey();
// "Software\Halvex\" below HKEY_LOCAL_MACHINE, opened for reading on first
// use; a failed first use is tried again on the next.
const RegKey_t& MakerKey();

}  // namespace win
