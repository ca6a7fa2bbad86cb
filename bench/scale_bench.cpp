// Single-threaded timings of the scaling engine on a 6000 x 4000 photo-like
// picture, with libvips doing the same operations on the same pixels in
// memory (bench/scale_bench.py adds Pillow and the whole command-line job).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bench/scale_bench_picture.h"
#include "scale/scale_run.h"

#ifdef SKALOMI_BENCH_WITH_VIPS
#include <vips/vips.h>
#endif

namespace {

const TDIB& bigPicture() {
    static const TDIB picture = MakeBenchPicture(6000, 4000);
    return picture;
}

const TDIB& smallPicture() {
    static const TDIB picture = MakeBenchPicture(1000, 750);
    return picture;
}

// The result and the tables stay across iterations, as the window keeps
// ScaledDIB and its tables, so a run reuses its buffers.
void runSkalomi(benchmark::State& state, const TDIB& source, ScaleSettings settings) {
    const SelectionRect sel = WholePicture(source.Width(), source.Height());
    ScalePlan plan;
    if (PlanScale(settings, sel, plan) != ScaleRefusal::None) {
        state.SkipWithError("refused");
        return;
    }
    TDIB result;
    ResampleTables tables;
    for (auto _ : state) {
        RunScale(source, sel, settings, plan, result, tables);
        benchmark::DoNotOptimize(result.Bits());
    }
    state.counters["out_w"] = result.Width();
    state.counters["out_h"] = result.Height();
}

ScaleSettings percent(int value) {
    ScaleSettings s;
    s.HorzValue = value;
    s.VertValue = value;
    return s;
}

void BM_Skalomi_Reduce50(benchmark::State& state) { runSkalomi(state, bigPicture(), percent(50)); }
void BM_Skalomi_Reduce37(benchmark::State& state) { runSkalomi(state, bigPicture(), percent(37)); }
void BM_Skalomi_Enlarge400(benchmark::State& state) {
    runSkalomi(state, smallPicture(), percent(400));
}
void BM_Skalomi_Reduce50_Tone(benchmark::State& state) {
    ScaleSettings s = percent(50);
    s.ContrastStep = 7;
    s.BrightnessStep = 2;
    runSkalomi(state, bigPicture(), s);
}
void BM_Skalomi_Reduce50_RotateRight(benchmark::State& state) {
    ScaleSettings s = percent(50);
    s.Rotation = kRotateRight;
    runSkalomi(state, bigPicture(), s);
}

BENCHMARK(BM_Skalomi_Reduce50)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Skalomi_Reduce37)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Skalomi_Enlarge400)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Skalomi_Reduce50_Tone)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Skalomi_Reduce50_RotateRight)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
