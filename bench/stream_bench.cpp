// The streamed job against the whole-picture path in one process, and the
// stages of the streamed job on their own (bench/stream_bench.py adds the
// whole command-line job beside libvips, peak memory and the cost per
// megapixel).
//
//   stream_bench [benchmark options]         the timings
//   stream_bench --write-jpeg W H FILE       the benchmark picture as a JPEG
//
// Single-threaded timings are the process's CPU time; the two-thread job is
// timed on the wall clock. Every job writes its file through the safe save,
// as skalomi-cli does.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

#include "bench/scale_bench_picture.h"
#include "picture/jpeg/jpeg_picture.h"
#include "picture/jpeg/jpeg_row_decoder.h"
#include "picture/jpeg/jpeg_row_encoder.h"
#include "picture/picture_loader.h"
#include "picture/picture_saver.h"
#include "picture/system/file_io.h"
#include "scale/streamed_job.h"
#include "scale/streamed_run.h"

namespace {

// A folder for the benchmark's files, removed at exit.
class BenchFolder {
public:
    BenchFolder() {
        char name[] = "/tmp/skalomi-stream-bench-XXXXXX";
        if (!::mkdtemp(name)) std::abort();
        path_ = name;
    }
    ~BenchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

const BenchFolder& folder() {
    static const BenchFolder f;
    return f;
}

void writeJpeg(int width, int height, const std::string& path) {
    WriteFileAtomically(path, EncodeJPEG(MakeBenchPhoto(width, height)));
}

// The sources, made once: 6000 x 4000 as a colour and a greyscale JPEG and
// as a PNG, 1500 x 1000 as a JPEG for the enlargements.
const std::string& source(const std::string& name) {
    static std::map<std::string, std::string> made;
    const auto found = made.find(name);
    if (found != made.end()) return found->second;
    const std::string path = folder().file(name);
    if (name == "big.jpg") {
        writeJpeg(6000, 4000, path);
    } else if (name == "small.jpg") {
        writeJpeg(1500, 1000, path);
    } else if (name == "big.png") {
        SavePictureToFile(MakeBenchPhoto(6000, 4000), path);
    } else if (name == "grey.jpg") {
        // A greyscale JPEG goes through libjpeg's quantizer when read.
        const std::string command =
            "djpeg -grayscale '" + source("big.jpg") + "' | cjpeg -quality 90 > '" + path + "'";
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "could not make %s\n", path.c_str());
    }
    return made.emplace(name, path).first->second;
}

struct JobCase {
    std::string source;
    std::string output;  // its extension picks the writer
    ScaleSettings settings;
    bool selection = false;  // the middle quarter of the picture
};

ScaleSettings percent(int value) {
    ScaleSettings s;
    s.HorzValue = s.VertValue = value;
    return s;
}

JobCase jobCase(const std::string& name) {
    if (name == "Half_Jpeg") return {"big.jpg", "out.jpg", percent(50)};
    if (name == "Half_Png") return {"big.jpg", "out.png", percent(50)};
    if (name == "Half_Bmp") return {"big.jpg", "out.bmp", percent(50)};
    if (name == "Reduce37_Jpeg") return {"big.jpg", "out.jpg", percent(37)};
    if (name == "Enlarge200_Jpeg") return {"small.jpg", "out.jpg", percent(200)};
    if (name == "Enlarge200_Bmp") return {"small.jpg", "out.bmp", percent(200)};
    if (name == "Tone_Jpeg") {
        JobCase c{"big.jpg", "out.jpg", percent(50)};
        c.settings.ContrastStep = 7;
        c.settings.BrightnessStep = 2;
        return c;
    }
    if (name == "HalfTurn_Bmp") {
        JobCase c{"big.jpg", "out.bmp", percent(50)};
        c.settings.Rotation = kRotate180;
        return c;
    }
    if (name == "Selection_Jpeg") {
        JobCase c{"big.jpg", "out.jpg", percent(80)};
        c.selection = true;
        return c;
    }
    if (name == "Grey_Jpeg") return {"grey.jpg", "out.jpg", percent(50)};
    return {"big.png", "out.jpg", percent(50)};  // PngSource_Jpeg
}

SelectionRect selectionOf(const JobCase& c, int width, int height) {
    if (!c.selection) return WholePicture(width, height);
    return SelectionRect{width / 4, height / 4, width * 3 / 4 - 1, height * 3 / 4 - 1};
}

// The whole-picture path as skalomi-cli ran it before: load, scale into the
// worker's result buffer, save.
void BM_Whole(benchmark::State& state, const std::string& name) {
    const JobCase c = jobCase(name);
    const std::string& in = source(c.source);
    const std::string out = folder().file(c.output);
    ResampleTables tables;
    for (auto _ : state) {
        TDIB picture, result;
        if (!LoadPictureFile(in, picture)) state.SkipWithError("unreadable");
        const SelectionRect sel = selectionOf(c, picture.Width(), picture.Height());
        ScalePlan plan;
        PlanScale(c.settings, sel, plan);
        RunScale(picture, sel, c.settings, plan, result, tables);
        SavePictureToFile(result, out);
    }
}

// The streamed job: a JPEG decoded in bands on this thread (or on a second
// one), any other source loaded whole and its result streamed.
void BM_Streamed(benchmark::State& state, const std::string& name, bool ownThread) {
    const JobCase c = jobCase(name);
    const std::string& in = source(c.source);
    const std::string out = folder().file(c.output);
    ResampleTables tables;
    const TDIB resultBuffer;
    for (auto _ : state) {
        BandSettings bands;
        bands.OwnThread = ownThread;
        StreamedJobContext context{tables, resultBuffer, bands, {}};
        ScalePlan plan;
        const auto request = [&c](int w, int h) {
            return SizedRequest{selectionOf(c, w, h), c.settings};
        };
        if (StreamSourceJob(in, out, request, context, plan)) continue;
        TDIB picture;
        if (!LoadPictureFile(in, picture)) state.SkipWithError("unreadable");
        const SelectionRect sel = selectionOf(c, picture.Width(), picture.Height());
        PlanScale(c.settings, sel, plan);
        StreamLoadedJob(picture, sel, c.settings, plan, out, context);
    }
}

// ----------------------------------------------------------------- stages

class NullBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

void BM_Stage_Decode(benchmark::State& state) {
    const std::string& in = source("big.jpg");
    std::vector<std::uint8_t> band(6000 * 3 * 16);
    std::uint8_t* rows[16];
    for (int i = 0; i < 16; ++i) rows[i] = band.data() + 6000 * 3 * i;
    for (auto _ : state) {
        JpegRowDecoder decoder(in, {}, JpegRowDecoder::Rows::HandedOn);
        for (int y = 0; y < decoder.Height(); y += 16)
            decoder.ReadRows24(rows, std::min(16, decoder.Height() - y));
        decoder.Finish();
    }
}

class CountingSink : public FinishedRowSink {
public:
    void PutRow(const std::uint8_t* row) override { benchmark::DoNotOptimize(row); }
};

void BM_Stage_Scale(benchmark::State& state) {
    static const TDIB picture = MakeBenchPhoto(6000, 4000);
    const SelectionRect sel = WholePicture(6000, 4000);
    const ScaleSettings s = percent(50);
    ScalePlan plan;
    PlanScale(s, sel, plan);
    ResampleTables tables;
    CountingSink sink;
    for (auto _ : state) {
        PictureSelectionRows rows(picture, sel);
        RunScaleToRows(rows, 6000, 4000, sel, s, plan, tables, sink);
    }
}

void BM_Stage_Encode(benchmark::State& state) {
    static const TDIB picture = MakeBenchPhoto(3000, 2000);
    NullBuffer null;
    std::ostream out(&null);
    for (auto _ : state) {
        JpegRowEncoder encoder(3000, 2000, out);
        for (int y = 0; y < 2000; ++y) {
            const std::uint8_t* row = picture.ScanLine(y);
            encoder.WriteRows(&row, 1);
        }
        encoder.Finish();
    }
}

void registerAll() {
    auto cpu = [](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
    };
    cpu(benchmark::RegisterBenchmark("BM_Stage_Decode", BM_Stage_Decode));
    cpu(benchmark::RegisterBenchmark("BM_Stage_Scale", BM_Stage_Scale));
    cpu(benchmark::RegisterBenchmark("BM_Stage_Encode", BM_Stage_Encode));
    for (const char* name :
         {"Half_Jpeg", "Half_Png", "Half_Bmp", "Reduce37_Jpeg", "Enlarge200_Jpeg", "Enlarge200_Bmp",
          "Tone_Jpeg", "HalfTurn_Bmp", "Selection_Jpeg", "Grey_Jpeg", "PngSource_Jpeg"}) {
        // Whole and streamed runs of one case side by side (stream_bench.py
        // interleaves the repetitions of all of them at random).
        const std::string n(name);
        cpu(benchmark::RegisterBenchmark(("BM_Whole/" + n).c_str(),
                                         [n](benchmark::State& s) { BM_Whole(s, n); }));
        cpu(benchmark::RegisterBenchmark(("BM_Streamed/" + n).c_str(),
                                         [n](benchmark::State& s) { BM_Streamed(s, n, false); }));
    }
    benchmark::RegisterBenchmark("BM_Streamed_TwoThreads/Half_Jpeg",
                                 [](benchmark::State& s) { BM_Streamed(s, "Half_Jpeg", true); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--write-jpeg") == 0) {
        writeJpeg(std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
        return 0;
    }
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
