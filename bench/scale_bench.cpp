// Single-threaded timings of the scaling engine on a 6000 x 4000 photo-like
// picture, with libvips doing the same operations on the same pixels in
// memory (bench/scale_bench.py adds Pillow and the whole command-line job,
// and works out the ratios).
//
//   scale_bench [benchmark options]      the timings
//   scale_bench --write-pictures DIR     the two test pictures as PPM files

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench/scale_bench_picture.h"
#include "scale/scale_run.h"
#include "scale/simd_level.h"

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

void BM_Skalomi_Reduce50(benchmark::State& state) {
    runSkalomi(state, bigPicture(), percent(50));
}

// A new result every time, as a first run (or a one-file command line) has.
void BM_Skalomi_Reduce50_FreshResult(benchmark::State& state) {
    const TDIB& source = bigPicture();
    const SelectionRect sel = WholePicture(source.Width(), source.Height());
    const ScaleSettings settings = percent(50);
    ScalePlan plan;
    PlanScale(settings, sel, plan);
    ResampleTables tables;
    for (auto _ : state) {
        TDIB result;
        RunScale(source, sel, settings, plan, result, tables);
        benchmark::DoNotOptimize(result.Bits());
    }
}
void BM_Skalomi_Reduce37(benchmark::State& state) {
    runSkalomi(state, bigPicture(), percent(37));
}
void BM_Skalomi_Enlarge400(benchmark::State& state) {
    runSkalomi(state, smallPicture(), percent(400));
}
void BM_Skalomi_Reduce50_Tone(benchmark::State& state) {
    ScaleSettings s = percent(50);
    s.ContrastStep = 7;
    s.BrightnessStep = 2;
    runSkalomi(state, bigPicture(), s);
}
// The loops a processor without AVX2 runs.
void BM_Skalomi_Reduce50_Portable(benchmark::State& state) {
    ForceSimdLevel(SimdLevel::Portable);
    runSkalomi(state, bigPicture(), percent(50));
    ForceSimdLevel(DetectedSimdLevel());
}
void BM_Skalomi_Reduce50_RotateRight(benchmark::State& state) {
    ScaleSettings s = percent(50);
    s.Rotation = kRotateRight;
    runSkalomi(state, bigPicture(), s);
}

BENCHMARK(BM_Skalomi_Reduce50)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_Skalomi_Reduce50_FreshResult)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_Skalomi_Reduce37)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_Skalomi_Enlarge400)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_Skalomi_Reduce50_Tone)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_Skalomi_Reduce50_Portable)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_Skalomi_Reduce50_RotateRight)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->MeasureProcessCPUTime();

// Rows top to bottom, red, green, blue, no padding: what libvips and Pillow
// take from memory.
std::vector<unsigned char> packedRgb(const TDIB& dib) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(dib.Width()) * dib.Height() * 3);
    unsigned char* out = rgb.data();
    for (int y = 0; y < dib.Height(); ++y) {
        const std::uint8_t* row = dib.ScanLine(y);
        for (int x = 0; x < dib.Width(); ++x, out += 3) {
            out[0] = row[3 * x + 2];
            out[1] = row[3 * x + 1];
            out[2] = row[3 * x];
        }
    }
    return rgb;
}

#ifdef SKALOMI_BENCH_WITH_VIPS

// The operation builds its pipeline; writing to memory runs it. The
// operation cache is off, so every iteration computes.
template <class Build>
void runVips(benchmark::State& state, const TDIB& source, Build build) {
    static std::vector<unsigned char> big, small;
    std::vector<unsigned char>& rgb = &source == &bigPicture() ? big : small;
    if (rgb.empty()) rgb = packedRgb(source);
    VipsImage* in = vips_image_new_from_memory(rgb.data(), rgb.size(), source.Width(),
                                               source.Height(), 3, VIPS_FORMAT_UCHAR);
    int w = 0, h = 0;
    for (auto _ : state) {
        VipsImage* out = nullptr;
        if (build(in, &out)) {
            state.SkipWithError(vips_error_buffer());
            break;
        }
        std::size_t size = 0;
        void* pixels = vips_image_write_to_memory(out, &size);
        benchmark::DoNotOptimize(pixels);
        w = vips_image_get_width(out);
        h = vips_image_get_height(out);
        g_free(pixels);
        g_object_unref(out);
    }
    g_object_unref(in);
    state.counters["out_w"] = w;
    state.counters["out_h"] = h;
}

void BM_Vips_Resize50_Linear(benchmark::State& state) {
    runVips(state, bigPicture(), [](VipsImage* in, VipsImage** out) {
        return vips_resize(in, out, 0.5, "kernel", VIPS_KERNEL_LINEAR, nullptr);
    });
}
void BM_Vips_Reduce37(benchmark::State& state) {
    runVips(state, bigPicture(), [](VipsImage* in, VipsImage** out) {
        return vips_reduce(in, out, 1 / 0.37, 1 / 0.37, nullptr);
    });
}
void BM_Vips_Reduce37_Linear(benchmark::State& state) {
    runVips(state, bigPicture(), [](VipsImage* in, VipsImage** out) {
        return vips_reduce(in, out, 1 / 0.37, 1 / 0.37, "kernel", VIPS_KERNEL_LINEAR, nullptr);
    });
}
void BM_Vips_Resize400_Linear(benchmark::State& state) {
    runVips(state, smallPicture(), [](VipsImage* in, VipsImage** out) {
        return vips_resize(in, out, 4.0, "kernel", VIPS_KERNEL_LINEAR, nullptr);
    });
}

BENCHMARK(BM_Vips_Resize50_Linear)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_Vips_Reduce37)->Unit(benchmark::kMillisecond)->MinTime(2.0)->MeasureProcessCPUTime();
BENCHMARK(BM_Vips_Reduce37_Linear)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_Vips_Resize400_Linear)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->MeasureProcessCPUTime();

#endif

void writePpm(const std::string& path, const TDIB& dib) {
    const std::vector<unsigned char> rgb = packedRgb(dib);
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << dib.Width() << " " << dib.Height() << "\n255\n";
    out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-pictures") == 0) {
        writePpm(std::string(argv[2]) + "/bench-6000x4000.ppm", bigPicture());
        writePpm(std::string(argv[2]) + "/bench-1000x750.ppm", smallPicture());
        return 0;
    }
#ifdef SKALOMI_BENCH_WITH_VIPS
    if (VIPS_INIT(argv[0])) return 1;
    vips_concurrency_set(1);  // single-threaded, as the engine is
    vips_cache_set_max(0);
#endif
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
