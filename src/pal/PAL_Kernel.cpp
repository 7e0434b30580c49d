#include "pal/PAL_Kernel.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>

#include "pal/PAL_Sync.h"

namespace pal {
namespace {

// Handle layout: low 16 bits the slot index plus one (never 0), high 16 bits
// the slot's generation, 1 to 0xFFFE (never all ones, so no handle collides
// with a pseudo-handle).
constexpr DWORD kSlotCount = 0xFFFF;
constexpr DWORD kLastGeneration = 0xFFFE;

class HandleTable {
public:
    HANDLE Insert(std::shared_ptr<KernelObject> object) {
        std::lock_guard<std::mutex> lock(mutex_);
        DWORD index;
        if (!free_.empty()) {
            index = free_.front();
            free_.pop_front();
        } else if (slots_.size() < kSlotCount) {
            index = static_cast<DWORD>(slots_.size());
            slots_.emplace_back();
        } else {
            return 0;
        }
        Slot& slot = slots_[index];
        slot.object = std::move(object);
        ++open_;
        return (slot.generation << 16) | (index + 1);
    }

    std::shared_ptr<KernelObject> Lookup(HANDLE handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        Slot* slot = Find(handle);
        return slot ? slot->object : nullptr;
    }

    std::shared_ptr<KernelObject> Remove(HANDLE handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        Slot* slot = Find(handle);
        if (!slot) {
            return nullptr;
        }
        std::shared_ptr<KernelObject> object = std::move(slot->object);
        slot->object.reset();
        slot->generation = slot->generation == kLastGeneration ? 1 : slot->generation + 1;
        // First in, first out: a freed slot is reused as late as possible,
        // which keeps stale handles detectable for long.
        free_.push_back(static_cast<DWORD>(slot - slots_.data()));
        --open_;
        return object;
    }

    std::size_t OpenCount() {
        std::lock_guard<std::mutex> lock(mutex_);
        return open_;
    }

private:
    struct Slot {
        std::shared_ptr<KernelObject> object;
        DWORD generation = 1;
    };

    Slot* Find(HANDLE handle) {
        const DWORD low = handle & 0xFFFF;
        if (low == 0 || low > slots_.size()) {
            return nullptr;
        }
        Slot& slot = slots_[low - 1];
        if (!slot.object || slot.generation != (handle >> 16)) {
            return nullptr;
        }
        return &slot;
    }

    std::mutex mutex_;
    std::vector<Slot> slots_;
    std::deque<DWORD> free_;
    std::size_t open_ = 0;
};

// The kernel's singletons are never destroyed: detached threads may still
// use them while the process exits.
HandleTable& Table() {
    static HandleTable& table = *new HandleTable;
    return table;
}

struct NameSpace {
    std::mutex mutex;
    std::map<std::string, std::weak_ptr<KernelObject>> objects;
};

NameSpace& Names() {
    static NameSpace& names = *new NameSpace;
    return names;
}

}  // namespace

std::mutex& KernelMutex() {
    static std::mutex& mutex = *new std::mutex;
    return mutex;
}

HANDLE InsertHandle(std::shared_ptr<KernelObject> object) {
    const HANDLE handle = Table().Insert(std::move(object));
    if (handle == 0) {
        SetLastError(ERROR_TOO_MANY_OPEN_FILES);
    }
    return handle;
}

std::shared_ptr<KernelObject> LookupObject(HANDLE handle) {
    if (handle == CURRENT_THREAD_HANDLE) {
        return CurrentThreadObject();
    }
    std::shared_ptr<KernelObject> object = Table().Lookup(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
    }
    return object;
}

std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle) {
    std::shared_ptr<KernelObject> object = Table().Remove(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
    }
    return object;
}

std::shared_ptr<KernelObject> FindOrAddNamed(
    const std::string& name, const std::function<std::shared_ptr<KernelObject>()>& make,
    bool& existed) {
    NameSpace& names = Names();
    std::lock_guard<std::mutex> lock(names.mutex);
    auto found = names.objects.find(name);
    if (found != names.objects.end()) {
        if (std::shared_ptr<KernelObject> object = found->second.lock()) {
            existed = true;
            return object;
        }
    }
    existed = false;
    std::erase_if(names.objects, [](const auto& entry) { return entry.second.expired(); });
    std::shared_ptr<KernelObject> object = make();
    names.objects[name] = object;
    return object;
}

void Waitable::WakeWaiters() {
    for (const Link& link : waiters_) {
        WaitBlock& block = link.thread->wait;
        if (block.fired || !IsSignalledFor(*link.thread)) {
            continue;
        }
        const bool abandoned = Acquire(*link.thread);
        block.fired = true;
        block.result = (abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + link.index;
        block.wake.notify_one();
    }
}

DWORD WaitForAny(const std::vector<std::shared_ptr<Waitable>>& objects, DWORD milliseconds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    ThreadRecord& self = ThreadRecord::Current();
    self.Id();

    KernelLock lock(KernelMutex());
    for (DWORD i = 0; i < objects.size(); ++i) {
        if (objects[i]->IsSignalledFor(self)) {
            const bool abandoned = objects[i]->Acquire(self);
            return (abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + i;
        }
    }
    if (milliseconds == 0) {
        return WAIT_TIMEOUT;
    }

    WaitBlock& block = self.wait;
    block.fired = false;
    for (DWORD i = 0; i < objects.size(); ++i) {
        objects[i]->waiters_.push_back({&self, i});
    }
    while (!block.fired) {
        if (milliseconds == INFINITE) {
            block.wake.wait(lock);
        } else if (block.wake.wait_until(lock, deadline) == std::cv_status::timeout) {
            break;  // a firing that raced the time-out is still seen below
        }
    }
    for (const std::shared_ptr<Waitable>& object : objects) {
        std::erase_if(object->waiters_,
                      [&self](const Waitable::Link& link) { return link.thread == &self; });
    }
    const bool fired = block.fired;
    block.fired = false;
    return fired ? block.result : WAIT_TIMEOUT;
}

void Event::Set() {
    KernelLock lock(KernelMutex());
    set_ = true;
    WakeWaiters();
}

void Event::Reset() {
    KernelLock lock(KernelMutex());
    set_ = false;
}

bool Event::IsSet() const {
    KernelLock lock(KernelMutex());
    return set_;
}

bool Event::IsSignalledFor(const ThreadRecord& /*thread*/) const {
    return set_;
}

bool Event::Acquire(ThreadRecord& /*thread*/) {
    if (!manual_) {
        set_ = false;
    }
    return false;
}

namespace testhooks {

std::size_t OpenHandleCount() {
    return Table().OpenCount();
}

std::size_t WaiterCount(HANDLE handle) {
    std::shared_ptr<Waitable> object = LookupHandle<Waitable>(handle);
    if (!object) {
        return 0;
    }
    KernelLock lock(KernelMutex());
    return object->waiters_.size();
}

}  // namespace testhooks

}  // namespace pal
