// The simulated unit's time source, in milliseconds.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace sim {

class Clock_t {
public:
    virtual ~Clock_t() = default;
    virtual std::uint64_t Now() const = 0;
};

// Monotonic time since the clock was made.
class RealClock_t final : public Clock_t {
public:
    std::uint64_t Now() const override;

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Time that moves only when told; any thread may read or advance it.
class ManualClock_t final : public Clock_t {
public:
    explicit ManualClock_t(std::uint64_t start = 0) : now_(start) {}

    std::uint64_t Now() const override { return now_.load(); }
    void Advance(std::uint64_t milliseconds) { now_.fetch_add(milliseconds); }
    // Never moves backwards.
    void AdvanceTo(std::uint64_t time);

private:
    std::atomic<std::uint64_t> now_;
};

}  // namespace sim
