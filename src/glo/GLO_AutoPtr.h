#pragma once

#include "glo/GLO_Exception.h"
#include "glo/GLO_NonCopyable.h"

namespace glo {

// The single owner of a heap object. Dereferencing an empty one fails the
// internal check.
template <typename T>
class AutoPtr_t : private NonCopyable_t {
public:
    AutoPtr_t() = default;
    explicit AutoPtr_t(T* object) : object_(object) {}
    AutoPtr_t(AutoPtr_t&& other) noexcept : object_(other.Release()) {}
    AutoPtr_t& operator=(AutoPtr_t&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    ~AutoPtr_t() { delete object_; }

    void Reset(T* object = nullptr) {
        if (object != object_) {
            T* old = object_;
            object_ = object;
            delete old;
        }
    }
    T* Release() {
        T* object = object_;
        object_ = nullptr;
        return object;
    }
    T* Get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    T& operator*() const {
        Check(object_ != nullptr, __FILE__, 123);
        return *object_;
    }
    T* operator->() const {
        Check(object_ != nullptr, __FILE__, 133);
        return object_;
    }

private:
    T* object_ = nullptr;
};

}  // namespace glo
