#include "ColorEffects.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

// Each effect and mask on a 1280 x 960 picture, reported next to one memcpy of the same
// frame measured in the same run, in CPU time (the build machines are shared).

namespace {

constexpr int kFrameWidth = 1280;
constexpr int kFrameHeight = 960;

QImage frame()
{
    QImage image(kFrameWidth, kFrameHeight, QImage::Format_RGB888);
    for (int y = 0; y < kFrameHeight; ++y) {
        uchar *row = image.scanLine(y);
        for (int x = 0; x < kFrameWidth * 3; ++x) {
            row[x] = static_cast<uchar>((x * 7 + y * 13) & 0xff);
        }
    }
    return image;
}

double &memcpyNanoseconds()
{
    static double ns = 0;
    return ns;
}

void BM_Memcpy(benchmark::State &state)
{
    QImage source = frame();
    QImage target = frame();
    const auto bytes = static_cast<size_t>(source.sizeInBytes());
    for (auto _ : state) {
        std::memcpy(target.bits(), source.constBits(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

template <bool isMask> void BM_Apply(benchmark::State &state)
{
    QImage image = frame();
    image.bits(); // detach once, outside the loop
    const int code = static_cast<int>(state.range(0));
    for (auto _ : state) {
        if constexpr (isMask) {
            ColorEffects::applyMask(image, code);
        } else {
            ColorEffects::applyEffect(image, code);
        }
        benchmark::ClobberMemory();
    }
}

// Prints every effect and mask as a multiple of the memcpy of the same run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            const double ns = run.GetAdjustedCPUTime();
            const std::string name = run.benchmark_name();
            if (name.find("Memcpy") != std::string::npos) {
                memcpyNanoseconds() = ns;
            } else {
                ratios[name] = ns;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        if (memcpyNanoseconds() <= 0) {
            return;
        }
        std::printf("\nratio to one memcpy of a %dx%d RGB888 frame (%.0f ns CPU):\n", kFrameWidth,
                    kFrameHeight, memcpyNanoseconds());
        for (const auto &[name, ns] : ratios) {
            std::printf("  %-28s %6.2fx\n", name.c_str(), ns / memcpyNanoseconds());
        }
    }

private:
    std::map<std::string, double> ratios;
};

} // namespace

BENCHMARK(BM_Memcpy);
BENCHMARK(BM_Apply<false>)->Name("Effect")->Arg(1)->Arg(2)->Arg(3);
BENCHMARK(BM_Apply<true>)->Name("Mask")->Arg(1)->Arg(2)->Arg(3)->Arg(4);

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
