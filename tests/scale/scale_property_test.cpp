// The engine against the plain per-pixel reference, over random pictures,
// selections, settings and result buffers: every byte of the result (as a
// BMP, padding included), the tables and the progress events must agree.

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "scale/scale_run.h"
#include "scale/simd_level.h"
#include "tests/scale/reference_scale.h"
#include "tests/support/picture_builders.h"

namespace {

struct Scenario {
    const char* name;
    int runs;
    int minSide, maxSide;  // source sides
    int maxPercent;        // percent values drawn from 1..maxPercent
    int maxFrame;          // pixel frames drawn from 1..maxFrame
    unsigned seed;
    bool halves = false;  // the width (after rotation, the height) halved exactly
};

void PrintTo(const Scenario& scenario, std::ostream* os) {
    *os << scenario.name;
}

std::string bmpBytes(const TDIB& dib) {
    std::ostringstream out;
    dib.SaveToStream(out);
    return out.str();
}

// The SIMD loops the engine runs for the duration of one test.
class SimdLevelScope {
public:
    explicit SimdLevelScope(SimdLevel level) : before_(ActiveSimdLevel()) { ForceSimdLevel(level); }
    ~SimdLevelScope() { ForceSimdLevel(before_); }

private:
    SimdLevel before_;
};

class EngineMatchesReference : public ::testing::TestWithParam<std::tuple<Scenario, SimdLevel>> {};

TEST_P(EngineMatchesReference, ByteForByte) {
    const Scenario& sc = std::get<0>(GetParam());
    if (std::get<1>(GetParam()) == SimdLevel::Avx2 && DetectedSimdLevel() != SimdLevel::Avx2)
        GTEST_SKIP() << "this processor has no AVX2";
    const SimdLevelScope level(std::get<1>(GetParam()));
    std::mt19937 rng(sc.seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int compared = 0;
    for (int run = 0; run < sc.runs; ++run) {
        const int w = pick(sc.minSide, sc.maxSide);
        const int h = pick(sc.minSide, sc.maxSide);
        // Noise, smooth ramps or the extremes: sums near the lane limits and
        // tone decisions near halves both get their turn.
        const int style = pick(0, 2);
        const unsigned salt = rng();
        const TDIB source = MakePicture(w, h, [&](int x, int y) {
            unsigned v = (static_cast<unsigned>(x) * 2654435761u) ^
                         (static_cast<unsigned>(y) * 40503u) ^ salt;
            v ^= v >> 13;
            v *= 0x5bd1e995u;
            v ^= v >> 15;
            if (style == 1)
                return ((x * 255 / w) & 0xFF) | (((y * 255 / h) & 0xFF) << 8) |
                       (static_cast<int>(v & 0x1F) << 16);
            if (style == 2)
                return static_cast<int>((v & 1 ? 0xFF : 0) | (v & 2 ? 0xFF00 : 0) |
                                        (v & 4 ? 0xFF0000 : 0));
            return static_cast<int>(v & 0xFFFFFF);
        });

        SelectionRect sel = WholePicture(w, h);
        if (pick(0, 2) == 0) {
            sel.Left = pick(0, w - 2);
            sel.Right = pick(sel.Left + 1, w - 1);
            sel.Top = pick(0, h - 2);
            sel.Bottom = pick(sel.Top + 1, h - 1);
        }

        ScaleSettings s;
        s.Unit = pick(0, 1) ? ScaleUnit::Percent : ScaleUnit::Pixel;
        s.AspectLock = pick(0, 1) == 1;
        const int maxValue = s.Unit == ScaleUnit::Percent ? sc.maxPercent : sc.maxFrame;
        s.HorzValue = pick(1, maxValue);
        s.VertValue = pick(0, 3) == 0 ? s.HorzValue : pick(1, maxValue);
        if (sc.halves) {
            // Exactly half of an even width: the passes' own fast case. The
            // pixel frame names the finished picture, so a quarter turn
            // takes the target width from the height field.
            s.Unit = ScaleUnit::Pixel;
            s.AspectLock = false;
            const int half = pick(1, sel.Width() / 2);
            sel.Right = sel.Left + 2 * half - 1;
            // The height halved too, now and then, for the vertical pass.
            const int other =
                sel.Height() % 2 == 0 && pick(0, 1) ? sel.Height() / 2 : pick(1, 2 * h);
            s.Rotation = pick(kRotate0, kRotateLeft);
            const bool quarter = s.Rotation == kRotateRight || s.Rotation == kRotateLeft;
            s.HorzValue = quarter ? other : half;
            s.VertValue = quarter ? half : other;
        }
        if (!sc.halves) s.Rotation = pick(kRotate0, kRotateLeft);
        if (pick(0, 1)) {
            s.ContrastStep = pick(0, 20);
            s.BrightnessStep = pick(-10, 10);
        }

        ScalePlan plan;
        if (PlanScale(s, sel, plan) != ScaleRefusal::None) continue;

        // The result buffer as a window would hold it: fresh, left over from
        // an earlier run, an 8-bit picture, or shared with a saved copy.
        TDIB fastResult;
        const int resultStyle = pick(0, 3);
        if (resultStyle == 1) {
            fastResult =
                MakePicture(plan.TargetWidth, plan.TargetHeight, [](int x, int) { return x; });
        } else if (resultStyle == 2) {
            fastResult.SetWidth(plan.TargetWidth);
            fastResult.SetHeight(plan.TargetHeight);
        }
        TDIB referenceResult = fastResult;
        referenceResult.UniqueDIB();
        const TDIB heldCopy = fastResult;  // shares the store with fastResult
        const std::string heldBefore = bmpBytes(heldCopy);

        ResampleTables fastTables, referenceTables;
        std::vector<std::string> fastEvents, referenceEvents;
        auto recorder = [](std::vector<std::string>& events) {
            ScaleProgress p;
            p.PassStarted = [&events](int max) { events.push_back("max " + std::to_string(max)); };
            p.Position = [&events](int pos) { events.push_back(std::to_string(pos)); };
            return p;
        };
        RunScale(source, sel, s, plan, fastResult, fastTables, recorder(fastEvents));
        ReferenceRunScale(source, sel, s, plan, referenceResult, referenceTables,
                          recorder(referenceEvents));

        const std::string what =
            "run " + std::to_string(run) + ": " + std::to_string(w) + "x" + std::to_string(h) +
            " sel " + std::to_string(sel.Left) + "," + std::to_string(sel.Top) + "-" +
            std::to_string(sel.Right) + "," + std::to_string(sel.Bottom) + " -> " +
            std::to_string(plan.TargetWidth) + "x" + std::to_string(plan.TargetHeight) + " rot " +
            std::to_string(s.Rotation) + " tone " + std::to_string(s.ContrastStep) + "/" +
            std::to_string(s.BrightnessStep) + " result " + std::to_string(resultStyle);
        ASSERT_EQ(fastResult.Width(), plan.FinishedWidth) << what;
        ASSERT_EQ(fastResult.Height(), plan.FinishedHeight) << what;
        ASSERT_EQ(AllPixels(fastResult), AllPixels(referenceResult)) << what;
        ASSERT_EQ(bmpBytes(fastResult), bmpBytes(referenceResult)) << what;
        ASSERT_EQ(fastTables.ResampleTableLength, referenceTables.ResampleTableLength) << what;
        ASSERT_EQ(fastTables.IndexTable, referenceTables.IndexTable) << what;
        ASSERT_EQ(fastTables.FracTable, referenceTables.FracTable) << what;
        ASSERT_EQ(fastEvents, referenceEvents) << what;
        ASSERT_EQ(bmpBytes(heldCopy), heldBefore) << what << ": a shared copy changed";
        ++compared;
    }
    EXPECT_GT(compared, sc.runs / 2) << "too many requests were refused to mean anything";
}

INSTANTIATE_TEST_SUITE_P(
    Random, EngineMatchesReference,
    ::testing::Combine(::testing::Values(
                           // Small pictures, every kind of setting.
                           Scenario{"SmallPictures", 400, 2, 40, 300, 90, 1u},
                           // Sides around the 16-row blocks and 16-byte groups of the fast loops.
                           Scenario{"BlockEdges", 120, 14, 70, 220, 140, 2u},
                           // Strong reductions: spans past what 16-bit sums hold.
                           Scenario{"StrongReductions", 40, 300, 700, 2, 3, 3u},
                           // Enlargements of tiny selections.
                           Scenario{"Enlargements", 60, 2, 9, 2000, 150, 4u},
                           // Pictures of a few hundred pixels, where every loop runs long.
                           Scenario{"LargerPictures", 10, 180, 420, 260, 500, 5u},
                           // Widths halved exactly, narrow and wide.
                           Scenario{"Halvings", 150, 2, 120, 100, 100, 6u, true}),
                       ::testing::Values(SimdLevel::Portable, SimdLevel::Avx2)),
    [](const ::testing::TestParamInfo<std::tuple<Scenario, SimdLevel>>& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) == SimdLevel::Avx2 ? "Avx2" : "Portable");
    });

}  // namespace
