// The master stage runs on the audio thread once per buffer of 1024 frames,
// which lasts 23 ms of sound; it has to take a small share of that. Quiet
// buffers pass the limiter untouched, loud ones drive it and the clipper.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "sound/master_bus.h"

namespace {

void masterBuffer(benchmark::State& state, double amplitude) {
    MasterBus bus(44100, 2);
    std::vector<float> source(2048);
    for (size_t i = 0; i < 1024; ++i)
        source[i * 2] = source[i * 2 + 1] = static_cast<float>(amplitude * std::sin(0.05 * static_cast<double>(i)));
    std::vector<float> buf(source.size());
    for (auto _ : state) {
        buf = source;
        bus.process(buf.data(), 1024);
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetItemsProcessed(state.iterations() * 1024);
}

void BM_MasterBusQuiet(benchmark::State& state) { masterBuffer(state, 0.3); }
void BM_MasterBusLimiting(benchmark::State& state) { masterBuffer(state, 4.0); }

}  // namespace

BENCHMARK(BM_MasterBusQuiet);
BENCHMARK(BM_MasterBusLimiting);
