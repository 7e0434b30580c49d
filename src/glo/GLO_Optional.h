#pragma once

#include <memory>
#include <utility>

#include "glo/GLO_Exception.h"

namespace glo {

// An optional value held on the heap; copying copies the value. Reading an
// empty one fails the internal check.
template <typename T>
class Optional_t {
public:
    Optional_t() = default;
    Optional_t(const T& value) : value_(std::make_unique<T>(value)) {}
    Optional_t(T&& value) : value_(std::make_unique<T>(std::move(value))) {}
    Optional_t(const Optional_t& other)
        : value_(other.value_ ? std::make_unique<T>(*other.value_) : nullptr) {}
    Optional_t(Optional_t&&) noexcept = default;
    Optional_t& operator=(const Optional_t& other) {
        if (this != &other) {
            value_ = other.value_ ? std::make_unique<T>(*other.value_) : nullptr;
        }
        return *this;
    }
    Optional_t& operator=(Optional_t&&) noexcept = default;
    virtual ~Optional_t() = default;

    bool HasValue() const { return value_ != nullptr; }
    explicit operator bool() const { return HasValue(); }

    const T& Get() const {
        Check(value_ != nullptr, __FILE__, 105);
        return *value_;
    }
    T& Get() {
        Check(value_ != nullptr, __FILE__, 105);
        return *value_;
    }
    const T& operator*() const { return Get(); }
    T& operator*() { return Get(); }
    const T* operator->() const { return &Get(); }
    T* operator->() { return &Get(); }

    void Reset() { value_.reset(); }

private:
    std::unique_ptr<T> value_;
};

}  // namespace glo
