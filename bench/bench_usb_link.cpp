// Frames per second through the USB link from a simulated unit, and the
// latency from a packet's arrival at the simulated driver to ReadFrame
// returning it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "iol/IOL_UsbPacket.h"
#include "iou/IOU_UsbLink.h"
#include "pal/PAL_Sync.h"
#include "sim/SIM_UsbBus.h"

namespace {

struct Bench_t {
    Bench_t() {
        pal::RegisterDriver(bus);
        unit = bus->Plug({});
        link = std::make_unique<iou::UsbLink_t>(terminate, bus->PathOf(unit), true);
    }
    ~Bench_t() {
        link.reset();
        pal::UnregisterDriver(bus);
        pal::CloseHandle(terminate);
    }
    std::shared_ptr<sim::UsbBus_t> bus = std::make_shared<sim::UsbBus_t>();
    std::shared_ptr<sim::UsbUnit_t> unit;
    pal::HANDLE terminate = pal::CreateEventA(nullptr, pal::TRUE, pal::FALSE, nullptr);
    std::unique_ptr<iou::UsbLink_t> link;
};

const std::vector<std::uint8_t>& Sentence() {
    static const std::vector<std::uint8_t> packet = [] {
        const char text[] = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
        return iol::EncodeUsbPacket(20, 180, reinterpret_cast<const std::uint8_t*>(text),
                                    sizeof text);
    }();
    return packet;
}

// Bursts of 64 packets, all read back.
void BM_FramesPerSecond(benchmark::State& state) {
    Bench_t bench;
    for (auto _ : state) {
        for (int i = 0; i < 64; ++i) {
            bench.unit->SendOnBulk(Sentence());
        }
        for (int i = 0; i < 64; ++i) {
            benchmark::DoNotOptimize(bench.link->ReadFrame(3000));
        }
    }
    state.SetItemsProcessed(state.iterations() * 64);
}
BENCHMARK(BM_FramesPerSecond)->UseRealTime();

// One packet at a time: from its queueing at the driver to ReadFrame's return.
void BM_Latency(benchmark::State& state) {
    Bench_t bench;
    bench.unit->TakeBulkQueueTimes();
    std::vector<double> micros;
    for (auto _ : state) {
        bench.unit->SendOnBulk(Sentence());
        benchmark::DoNotOptimize(bench.link->ReadFrame(3000));
        const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count();
        const std::vector<std::int64_t> queued = bench.unit->TakeBulkQueueTimes();
        if (!queued.empty()) {
            micros.push_back(static_cast<double>(now - queued.back()) / 1000.0);
        }
    }
    std::sort(micros.begin(), micros.end());
    if (!micros.empty()) {
        state.counters["median_us"] = micros[micros.size() / 2];
        state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
    }
}
BENCHMARK(BM_Latency)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
