// Cost of the simulated camera's frames: rendering plus encoding a changed picture, and serving
// an unchanged one (what most frames are, the clock ticking once a second).
#include "protocol/TevalCodes.h"
#include "sim/CSimCamera.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

namespace {

void Setup(CSimCamera &camera, int width, int height)
{
    camera.UseManualClock(true);
    camera.SetPaced(false);
    camera.SetParam(teval::kParamWidth, width);
    camera.SetParam(teval::kParamHeight, height);
    const std::uint8_t start[6] = {0x03, 0x20, 1, 0, 0, 0};
    camera.ControlOut(teval::kCmdSetParam, start, 6);
}

void ChangedFrame(benchmark::State &state)
{
    CSimCamera camera;
    Setup(camera, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::vector<std::uint8_t> buffer(523264);
    for (auto _ : state) {
        camera.AdvanceClock(std::chrono::milliseconds(1000));
        benchmark::DoNotOptimize(camera.BulkIn(buffer.data(), static_cast<int>(buffer.size()), {}));
    }
}

void UnchangedFrame(benchmark::State &state)
{
    CSimCamera camera;
    Setup(camera, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::vector<std::uint8_t> buffer(523264);
    camera.BulkIn(buffer.data(), static_cast<int>(buffer.size()), {});
    for (auto _ : state) {
        benchmark::DoNotOptimize(camera.BulkIn(buffer.data(), static_cast<int>(buffer.size()), {}));
    }
}

} // namespace

BENCHMARK(ChangedFrame)
    ->Args({320, 240})
    ->Args({640, 480})
    ->Args({1280, 960})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(UnchangedFrame)->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
