#pragma once

#include "glo/GLO_Exception.h"

namespace glo {

// Intrusive reference count. The count is plain, not atomic: an object and
// every pointer to it stay on one thread.
class RefCounter_t {
public:
    RefCounter_t() = default;
    RefCounter_t(const RefCounter_t&) : count_(0) {}
    RefCounter_t& operator=(const RefCounter_t&) { return *this; }
    virtual ~RefCounter_t() = default;

    void AddRef() const { ++count_; }
    // Returns true when the count fell to 0.
    bool Release() const { return --count_ == 0; }
    long RefCount() const { return count_; }

private:
    mutable long count_ = 0;
};

template <typename T>
class SmartPtr_t {
public:
    SmartPtr_t() = default;
    SmartPtr_t(T* object) : object_(object) { Acquire(); }
    SmartPtr_t(const SmartPtr_t& other) : object_(other.object_) { Acquire(); }
    SmartPtr_t(SmartPtr_t&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    SmartPtr_t& operator=(const SmartPtr_t& other) {
        if (object_ != other.object_) {
            SmartPtr_t copy(other);
            Swap(copy);
        }
        return *this;
    }
    SmartPtr_t& operator=(SmartPtr_t&& other) noexcept {
        if (this != &other) {
            Drop();
            object_ = other.object_;
            other.object_ = nullptr;
        }
        return *this;
    }
    ~SmartPtr_t() { Drop(); }

    void Swap(SmartPtr_t& other) noexcept {
        T* object = object_;
        object_ = other.object_;
        other.object_ = object;
    }
    T* Get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    T& operator*() const {
        Check(object_ != nullptr, __FILE__, 80);
        return *object_;
    }
    T* operator->() const {
        Check(object_ != nullptr, __FILE__, 85);
        return object_;
    }

private:
    void Acquire() {
        if (object_ != nullptr) {
            object_->AddRef();
        }
    }
    // Failures while deleting are swallowed: a pointer going away never throws.
    void Drop() noexcept {
        T* object = object_;
        object_ = nullptr;
        if (object != nullptr && object->Release()) {
            try {
                delete object;
            } catch (...) {
            }
        }
    }

    T* object_ = nullptr;
};

}  // namespace glo
