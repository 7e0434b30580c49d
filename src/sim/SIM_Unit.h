// The unit's side of the application protocol at the frame level: frames in
// from the host, frames out to the host, on the unit's own clock. A USB-level
// simulation wraps it in packets; sim::FrameLink_t serves it to a host
// directly.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "glo/GLO_NonCopyable.h"
#include "pal/PAL_Types.h"
#include "sim/SIM_Clock.h"
#include "sim/SIM_NmeaSource.h"
#include "sim/SIM_RawFrame.h"
#include "sim/SIM_UnitConfig.h"

namespace sim {

enum class Direction_t { ToUnit, ToHost };

struct TranscriptEntry_t {
    Direction_t direction;
    std::uint16_t id;
    std::vector<std::uint8_t> data;
    std::uint64_t time;  // the unit's clock
};

// Thread-safe: the host's writer and reader may be different threads. One
// reader takes frames at a time. Destroy it only once nobody waits on it.
class Unit_t : private glo::NonCopyable_t {
public:
    // The NMEA source follows the configuration (generator or replay; an
    // unreadable replay file throws sim::Error_t). The clock is borrowed.
    Unit_t(UnitConfig_t config, const Clock_t& clock);
    Unit_t(UnitConfig_t config, const Clock_t& clock, std::unique_ptr<NmeaSource_t> source);
    ~Unit_t();

    // A frame from the host; its answers are due at once.
    void FromHost(const RawFrame_t& frame);

    // The next frame to the host if it is due by the clock.
    std::optional<RawFrame_t> PollFrame();
    // When the next frame falls due (the clock's time); none while the unit
    // has nothing more to say until the host asks for something.
    std::optional<std::uint64_t> NextDueTime();
    // Blocks until a frame is due, timeoutMs (real milliseconds,
    // 0xFFFFFFFF: no limit) has passed, or cancelEvent (if not 0) is
    // signalled. Meant for a real clock.
    enum class Wait_t { Frame, Timeout, Cancelled };
    Wait_t WaitFrame(std::uint32_t timeoutMs, pal::HANDLE cancelEvent, RawFrame_t& frame);
    // Auto-reset; signalled whenever new frames are queued.
    pal::HANDLE GetReadyEvent() const { return readyEvent_; }

    const UnitConfig_t& GetConfig() const { return config_; }
    const Clock_t& GetClock() const { return clock_; }
    bool IsNmeaOn();
    std::size_t SentencesSent();
    std::vector<TranscriptEntry_t> GetTranscript();

private:
    struct Pending_t {
        std::uint64_t due;
        RawFrame_t frame;
    };

    // All with mutex_ held.
    void Queue(std::uint64_t due, RawFrame_t frame);
    void QueueAnswer(std::uint64_t now, RawFrame_t frame);
    void AnswerProductRequest(std::uint64_t now);
    void SwitchNmea(bool on, std::uint64_t now);
    void Pump(std::uint64_t now);
    void QueueBurst(std::uint64_t due);
    bool MoreSentencesComing() const;
    std::optional<std::uint64_t> NextDue() const;
    std::optional<RawFrame_t> TakeDue(std::uint64_t now);
    void Record(Direction_t direction, const RawFrame_t& frame, std::uint64_t time);
    RawFrame_t ProductDataFrame() const;
    RawFrame_t ProtocolsFrame() const;

    const UnitConfig_t config_;
    const Clock_t& clock_;
    const std::uint32_t periodMs_;
    pal::HANDLE readyEvent_;

    std::mutex mutex_;
    std::unique_ptr<NmeaSource_t> source_;
    std::deque<Pending_t> pending_;
    bool nmeaOn_ = false;
    bool sourceExhausted_ = false;
    bool malformedSent_ = false;
    std::uint64_t nextBurst_ = 0;
    std::size_t sentencesQueued_ = 0;
    std::size_t sentencesSent_ = 0;
    std::deque<TranscriptEntry_t> transcript_;
};

}  // namespace sim
