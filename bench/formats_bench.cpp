// Single-threaded timings of the picture writers and the JPEG decoder on a
// 3000 x 2000 photo-like picture, each beside a peer doing the same work on
// the same pixels: raw zlib at level 6 for PNG, ImageMagick and libvips for
// GIF (as commands limited to one thread, start-up included), djpeg for JPEG
// decoding. Goals: PNG
// at most 1.1 x raw zlib, GIF (reduction and LZW) at most 150 ms, JPEG
// encoding at most 30 ms and decoding no slower than djpeg, BMP at most 15 ms.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "bench/scale_bench_picture.h"
#include "picture/gif/gif_picture.h"
#include "picture/jpeg/jpeg_picture.h"
#include "picture/png/png_picture.h"

namespace {

constexpr int kWidth = 3000;
constexpr int kHeight = 2000;

const TDIB& photo() {
    static const TDIB picture = MakeBenchPhoto(kWidth, kHeight);
    return picture;
}

// Counts what is written and keeps none of it.
class NullBuffer : public std::streambuf {
public:
    std::size_t written = 0;

protected:
    int_type overflow(int_type c) override {
        ++written;
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char*, std::streamsize n) override {
        written += static_cast<std::size_t>(n);
        return n;
    }
};

// Keeps what is written in a block taken before the clock starts.
class MemoryBuffer : public std::streambuf {
public:
    explicit MemoryBuffer(std::size_t capacity) : bytes_(capacity) {
        setp(bytes_.data(), bytes_.data() + bytes_.size());
    }
    const char* data() const { return bytes_.data(); }

private:
    std::vector<char> bytes_;
};

std::string tempPath(const std::string& name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/skalomi-formats-bench-" + name;
}

// The picture as a PPM file for the command-line peers, written once.
const std::string& photoPpm() {
    static const std::string path = [] {
        const std::string p = tempPath("photo.ppm");
        std::ofstream out(p, std::ios::binary);
        out << "P6\n" << kWidth << " " << kHeight << "\n255\n";
        std::vector<char> row(3 * kWidth);
        for (int y = 0; y < kHeight; ++y) {
            const std::uint8_t* bgr = photo().ScanLine(y);
            for (int x = 0; x < kWidth; ++x) {
                row[3 * x] = static_cast<char>(bgr[3 * x + 2]);
                row[3 * x + 1] = static_cast<char>(bgr[3 * x + 1]);
                row[3 * x + 2] = static_cast<char>(bgr[3 * x]);
            }
            out.write(row.data(), static_cast<std::streamsize>(row.size()));
        }
        return p;
    }();
    return path;
}

const std::vector<std::uint8_t>& photoJpeg() {
    static const std::vector<std::uint8_t> bytes = EncodeJPEG(photo());
    return bytes;
}

// Times a shell command per iteration; skipped when the program is missing.
void runCommand(benchmark::State& state, const std::string& program, const std::string& command) {
    if (std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) != 0) {
        state.SkipWithError((program + " is not installed").c_str());
        return;
    }
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        const auto end = std::chrono::steady_clock::now();
        if (status != 0) {
            state.SkipWithError(("failed: " + command).c_str());
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}

// ------------------------------------------------------------------- PNG

void BM_PngWrite_Skalomi(benchmark::State& state) {
    const TDIB& picture = photo();
    std::size_t bytes = 0;
    for (auto _ : state) {
        NullBuffer sink;
        std::ostream out(&sink);
        WritePNG(picture, out);
        bytes = sink.written;
    }
    state.counters["file_bytes"] = static_cast<double>(bytes);
}

// The same rows (filter byte 0, red-green-blue) through deflate with the
// same settings, nothing else.
void BM_PngWrite_RawZlibLevel6(benchmark::State& state) {
    const TDIB& picture = photo();
    std::vector<std::uint8_t> rows;
    rows.reserve(static_cast<std::size_t>(kHeight) * (3 * kWidth + 1));
    for (int y = 0; y < kHeight; ++y) {
        rows.push_back(0);
        const std::uint8_t* bgr = picture.ScanLine(y);
        for (int x = 0; x < kWidth; ++x)
            rows.insert(rows.end(), {bgr[3 * x + 2], bgr[3 * x + 1], bgr[3 * x]});
    }
    std::vector<std::uint8_t> out(32768);
    std::size_t total = 0;
    for (auto _ : state) {
        z_stream z{};
        deflateInit2(&z, 6, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
        z.next_in = rows.data();
        z.avail_in = static_cast<uInt>(rows.size());
        total = 0;
        int rc;
        do {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            rc = deflate(&z, Z_FINISH);
            total += out.size() - z.avail_out;
        } while (rc == Z_OK || rc == Z_BUF_ERROR);
        deflateEnd(&z);
        benchmark::DoNotOptimize(total);
    }
    state.counters["file_bytes"] = static_cast<double>(total);
}

// ------------------------------------------------------------------- GIF

// What saving as GIF does: a copy reduced to 256 colours, then the writer.
void BM_GifWrite_Skalomi(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        TDIB working(photo());
        working.SetPixelFormat(PixelFormat8Bit);
        bytes = WriteGIF(working).size();
    }
    state.counters["file_bytes"] = static_cast<double>(bytes);
}

// The two halves of the above, to see where the time goes.
void BM_GifColourReduction(benchmark::State& state) {
    for (auto _ : state) {
        TDIB working(photo());
        working.SetPixelFormat(PixelFormat8Bit);
        benchmark::DoNotOptimize(working.Bits());
    }
}

void BM_GifLzwAndFile(benchmark::State& state) {
    TDIB reduced(photo());
    reduced.SetPixelFormat(PixelFormat8Bit);
    for (auto _ : state) benchmark::DoNotOptimize(WriteGIF(reduced).data());
}

void BM_GifWrite_ImageMagick(benchmark::State& state) {
    runCommand(state, "convert-im6.q16",
               "MAGICK_THREAD_LIMIT=1 convert-im6.q16 " + photoPpm() + " -colors 256 " +
                   tempPath("magick.gif"));
}

void BM_GifWrite_Vips(benchmark::State& state) {
    runCommand(state, "vips",
               "VIPS_CONCURRENCY=1 vips gifsave " + photoPpm() + " " + tempPath("vips.gif"));
}

// ------------------------------------------------------------------ JPEG

void BM_JpegEncode_Skalomi(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) bytes = EncodeJPEG(photo()).size();
    state.counters["file_bytes"] = static_cast<double>(bytes);
}

void BM_JpegDecode_Skalomi(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = photoJpeg();
    for (auto _ : state) {
        DecodedPicture picture = DecodeJPEG(bytes.data(), bytes.size(), {});
        benchmark::DoNotOptimize(picture.bits.data());
    }
}

void BM_JpegDecode_Djpeg(benchmark::State& state) {
    const std::string path = tempPath("photo.jpg");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(photoJpeg().data()),
               static_cast<std::streamsize>(photoJpeg().size()));
    runCommand(state, "djpeg", "djpeg -dct float -outfile /dev/null " + path);
}

// ------------------------------------------------------------------- BMP

// Into memory: every byte of the file is produced and stored.
void BM_BmpWrite_Skalomi(benchmark::State& state) {
    for (auto _ : state) {
        MemoryBuffer sink(static_cast<std::size_t>(kWidth) * kHeight * 3 + 2048);
        std::ostream out(&sink);
        photo().SaveToStream(out);
        benchmark::DoNotOptimize(sink.data());
    }
}

// Through the file system, flushed to the disk before the rename.
void BM_BmpWrite_SkalomiToFile(benchmark::State& state) {
    const std::string path = tempPath("photo.bmp");
    for (auto _ : state) photo().SaveToFile(path);
    std::remove(path.c_str());
}

}  // namespace

BENCHMARK(BM_PngWrite_Skalomi)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PngWrite_RawZlibLevel6)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_GifWrite_Skalomi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifColourReduction)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifLzwAndFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifWrite_ImageMagick)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);
BENCHMARK(BM_GifWrite_Vips)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);
BENCHMARK(BM_JpegEncode_Skalomi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegDecode_Skalomi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegDecode_Djpeg)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);
BENCHMARK(BM_BmpWrite_Skalomi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpWrite_SkalomiToFile)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
