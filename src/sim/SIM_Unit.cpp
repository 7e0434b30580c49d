#include "sim/SIM_Unit.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "glo/GLO_Exception.h"
#include "pal/PAL_Sync.h"
#include "sim/SIM_NmeaReplay.h"

namespace sim {

namespace {

constexpr std::uint16_t kProductRequest = 254;
constexpr std::uint16_t kProductData = 255;
constexpr std::uint16_t kProtocolArray = 253;
constexpr std::uint16_t kDataRequest = 28;
constexpr std::uint16_t kNameRequest = 526;
constexpr std::uint16_t kName = 525;
constexpr std::uint16_t kNmeaSwitch = 181;
constexpr std::uint16_t kSentence = 180;
// A late reader gets at most this many missed fixes; older ones are lost,
// as in a unit whose output buffer overflows.
constexpr int kMaxCatchUpBursts = 16;

void PutText(std::vector<std::uint8_t>& data, const std::string& text) {
    data.insert(data.end(), text.begin(), text.end());
    data.push_back(0);
}

std::unique_ptr<NmeaSource_t> MakeSource(const UnitConfig_t& config) {
    if (!config.replayPath.empty()) {
        return std::make_unique<NmeaReplay_t>(
            NmeaReplay_t::FromFile(config.replayPath, config.replayLoop));
    }
    GeneratorConfig_t generator = config.generator;
    generator.periodMs = config.PeriodMs();
    return std::make_unique<NmeaGenerator_t>(generator);
}

std::uint64_t RealMs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

}  // namespace

Unit_t::Unit_t(UnitConfig_t config, const Clock_t& clock)
    : Unit_t(config, clock, MakeSource(config)) {}

Unit_t::Unit_t(UnitConfig_t config, const Clock_t& clock, std::unique_ptr<NmeaSource_t> source)
    : config_(std::move(config)),
      clock_(clock),
      periodMs_(config_.PeriodMs()),
      readyEvent_(pal::CreateEventA(nullptr, pal::FALSE, pal::FALSE, nullptr)),
      source_(std::move(source)) {
    glo::Check(readyEvent_ != 0 && source_ != nullptr, __FILE__, __LINE__);
}

Unit_t::~Unit_t() {
    pal::CloseHandle(readyEvent_);
}

void Unit_t::FromHost(const RawFrame_t& frame) {
    std::lock_guard lock(mutex_);
    const std::uint64_t now = clock_.Now();
    Record(Direction_t::ToUnit, frame, now);
    switch (frame.id) {
        case kProductRequest:
            AnswerProductRequest(now);
            break;
        case kNameRequest:
            if (config_.unitName && !config_.faults.noNameAnswer) {
                RawFrame_t answer{kName, {}, false};
                PutText(answer.data, *config_.unitName);
                QueueAnswer(now, std::move(answer));
            }
            break;
        case kNmeaSwitch:
            if (frame.data.size() == 1 && frame.data[0] <= 1) {
                SwitchNmea(frame.data[0] == 1, now);
            }
            break;
        case kDataRequest:
        default:
            break;  // nothing to answer
    }
}

void Unit_t::AnswerProductRequest(std::uint64_t now) {
    const bool hasArray = config_.protocolArray != ProtocolArray_t::None;
    if (hasArray && config_.protocolArray == ProtocolArray_t::BeforeProductData) {
        QueueAnswer(now, ProtocolsFrame());
    }
    QueueAnswer(now, ProductDataFrame());
    if (hasArray && config_.protocolArray == ProtocolArray_t::AfterProductData) {
        QueueAnswer(now, ProtocolsFrame());
    }
}

RawFrame_t Unit_t::ProductDataFrame() const {
    RawFrame_t frame{kProductData, {}, false};
    const auto version = static_cast<std::uint16_t>(config_.softwareVersion);
    frame.data = {static_cast<std::uint8_t>(config_.productId & 0xFF),
                  static_cast<std::uint8_t>(config_.productId >> 8),
                  static_cast<std::uint8_t>(version & 0xFF),
                  static_cast<std::uint8_t>(version >> 8)};
    for (const std::string& text : config_.strings) {
        PutText(frame.data, text);
    }
    if (config_.faults.shortProductData) {
        frame.data.resize(3);
    }
    return frame;
}

RawFrame_t Unit_t::ProtocolsFrame() const {
    RawFrame_t frame{kProtocolArray, {}, false};
    for (const ioa::ProtocolRecord_t& record : config_.protocols) {
        frame.data.push_back(static_cast<std::uint8_t>(record.tag));
        frame.data.push_back(static_cast<std::uint8_t>(record.number & 0xFF));
        frame.data.push_back(static_cast<std::uint8_t>(record.number >> 8));
    }
    return frame;
}

void Unit_t::SwitchNmea(bool on, std::uint64_t now) {
    if (on == nmeaOn_) {
        return;
    }
    nmeaOn_ = on;
    if (on) {
        nextBurst_ = now;
        pal::SetEvent(readyEvent_);
        return;
    }
    // Sentences not yet sent are dropped with the output.
    std::erase_if(pending_, [](const Pending_t& p) { return p.frame.id == kSentence; });
}

void Unit_t::Queue(std::uint64_t due, RawFrame_t frame) {
    pending_.push_back({due, std::move(frame)});
    pal::SetEvent(readyEvent_);
}

void Unit_t::QueueAnswer(std::uint64_t now, RawFrame_t frame) {
    if (config_.faults.noiseId) {
        Queue(now, RawFrame_t{*config_.faults.noiseId, {0x00, 0x01, 0x02}, false});
    }
    Queue(now, std::move(frame));
}

bool Unit_t::MoreSentencesComing() const {
    if (!nmeaOn_ || sourceExhausted_) {
        return false;
    }
    return !config_.faults.silenceAfter || sentencesQueued_ < *config_.faults.silenceAfter;
}

void Unit_t::QueueBurst(std::uint64_t due) {
    std::vector<std::string> burst = source_->NextBurst();
    if (burst.empty()) {
        sourceExhausted_ = true;
        return;
    }
    for (std::string& sentence : burst) {
        if (!MoreSentencesComing()) {
            return;
        }
        if (config_.faults.malformedAfter && !malformedSent_ &&
            sentencesQueued_ == *config_.faults.malformedAfter) {
            malformedSent_ = true;
            Queue(due, RawFrame_t{kSentence, {'$', 'G'}, true});
        }
        RawFrame_t frame{kSentence, {}, false};
        PutText(frame.data, sentence);
        Queue(due, std::move(frame));
        ++sentencesQueued_;
        if (config_.faults.noiseId) {
            Queue(due, RawFrame_t{*config_.faults.noiseId, {0x00, 0x01, 0x02}, false});
        }
    }
}

void Unit_t::Pump(std::uint64_t now) {
    int bursts = 0;
    while (MoreSentencesComing() && nextBurst_ <= now && bursts++ < kMaxCatchUpBursts) {
        QueueBurst(nextBurst_);
        nextBurst_ += periodMs_;
    }
    if (nextBurst_ <= now) {
        nextBurst_ += ((now - nextBurst_) / periodMs_ + 1) * periodMs_;
    }
}

std::optional<std::uint64_t> Unit_t::NextDue() const {
    std::optional<std::uint64_t> due;
    if (!pending_.empty()) {
        due = pending_.front().due;
    }
    if (MoreSentencesComing() && (!due || nextBurst_ < *due)) {
        due = nextBurst_;
    }
    return due;
}

std::optional<RawFrame_t> Unit_t::TakeDue(std::uint64_t now) {
    Pump(now);
    if (pending_.empty() || pending_.front().due > now) {
        return std::nullopt;
    }
    RawFrame_t frame = std::move(pending_.front().frame);
    pending_.pop_front();
    if (frame.id == kSentence && !frame.malformed) {
        ++sentencesSent_;
    }
    Record(Direction_t::ToHost, frame, now);
    return frame;
}

std::optional<RawFrame_t> Unit_t::PollFrame() {
    std::lock_guard lock(mutex_);
    return TakeDue(clock_.Now());
}

std::optional<std::uint64_t> Unit_t::NextDueTime() {
    std::lock_guard lock(mutex_);
    Pump(clock_.Now());
    return NextDue();
}

Unit_t::Wait_t Unit_t::WaitFrame(std::uint32_t timeoutMs, pal::HANDLE cancelEvent,
                                 RawFrame_t& frame) {
    const bool limited = timeoutMs != pal::INFINITE;
    const std::uint64_t deadline = RealMs() + timeoutMs;
    pal::HANDLE handles[2];
    pal::DWORD count = 0;
    if (cancelEvent != 0) {
        handles[count++] = cancelEvent;
    }
    handles[count++] = readyEvent_;
    for (;;) {
        if (cancelEvent != 0 && pal::WaitForSingleObject(cancelEvent, 0) == pal::WAIT_OBJECT_0) {
            return Wait_t::Cancelled;
        }
        std::optional<std::uint64_t> due;
        std::uint64_t now = 0;
        {
            std::lock_guard lock(mutex_);
            now = clock_.Now();
            if (std::optional<RawFrame_t> next = TakeDue(now)) {
                frame = std::move(*next);
                return Wait_t::Frame;
            }
            due = NextDue();
        }
        std::uint64_t wait = pal::INFINITE;
        if (limited) {
            const std::uint64_t real = RealMs();
            if (real >= deadline) {
                return Wait_t::Timeout;
            }
            wait = deadline - real;
        }
        if (due) {
            wait = std::min<std::uint64_t>(wait, *due > now ? *due - now : 0);
        }
        wait = std::min<std::uint64_t>(wait, pal::INFINITE - 1);
        const pal::DWORD result =
            pal::WaitForMultipleObjects(count, handles, pal::FALSE, static_cast<pal::DWORD>(wait));
        if (result == pal::WAIT_FAILED) {
            throw glo::Assert_t(__FILE__, __LINE__);
        }
        if (cancelEvent != 0 && result == pal::WAIT_OBJECT_0) {
            return Wait_t::Cancelled;
        }
    }
}

bool Unit_t::IsNmeaOn() {
    std::lock_guard lock(mutex_);
    return nmeaOn_;
}

std::size_t Unit_t::SentencesSent() {
    std::lock_guard lock(mutex_);
    return sentencesSent_;
}

std::vector<TranscriptEntry_t> Unit_t::GetTranscript() {
    std::lock_guard lock(mutex_);
    return {transcript_.begin(), transcript_.end()};
}

void Unit_t::Record(Direction_t direction, const RawFrame_t& frame, std::uint64_t time) {
    if (config_.transcriptLimit == 0) {
        return;
    }
    if (transcript_.size() == config_.transcriptLimit) {
        transcript_.pop_front();
    }
    transcript_.push_back({direction, frame.id, frame.data, time});
}

}  // namespace sim
