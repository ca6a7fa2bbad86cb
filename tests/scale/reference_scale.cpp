#include "tests/scale/reference_scale.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>

#include "scale/tone.h"

namespace {

struct Channels {
    std::int64_t r = 0, g = 0, b = 0;
};

Channels split(int colour) {
    return Channels{colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF};
}

int join(const Channels& c) {
    return static_cast<int>((c.r & 0xFF) | ((c.g & 0xFF) << 8) | ((c.b & 0xFF) << 16));
}

// One line of a pass: `read(j)` gives sample j, `write(k, colour)` stores
// output k. The tone applies in the vertical pass only.
struct Tone {
    bool active = false;
    std::int32_t contrast = 0;
    std::int32_t brightness = 0;
};

Channels applyTone(Channels c, const Tone& tone) {
    if (!tone.active) return c;
    const double y = Luminance(static_cast<int>(c.r), static_cast<int>(c.g), static_cast<int>(c.b));
    c.b = Contrast(static_cast<int>(c.b), y, tone.contrast, tone.brightness);
    c.g = Contrast(static_cast<int>(c.g), y, tone.contrast, tone.brightness);
    c.r = Contrast(static_cast<int>(c.r), y, tone.contrast, tone.brightness);
    return c;
}

template <class Read, class Write>
void averageLine(int m, std::int64_t divisor, const ResampleTables& t, const Tone& tone, Read read,
                 Write write) {
    std::int32_t index = 0;
    std::int32_t frac = 0;
    for (int k = 0; k < m; ++k) {
        Channels c = split(read(index));
        Channels acc{(c.r * (256 - frac)) >> 8, (c.g * (256 - frac)) >> 8,
                     (c.b * (256 - frac)) >> 8};
        for (std::int32_t j = t.IndexTable[k] + 1; j <= t.IndexTable[k + 1] - 1; ++j) {
            c = split(read(j));
            acc.r += c.r;
            acc.g += c.g;
            acc.b += c.b;
        }
        index = t.IndexTable[k + 1];
        frac = t.FracTable[k + 1];
        if (frac != 0) {
            c = split(read(index));
            acc.r += (c.r * frac) >> 8;
            acc.g += (c.g * frac) >> 8;
            acc.b += (c.b * frac) >> 8;
        }
        const Channels out{acc.r * 256 / divisor, acc.g * 256 / divisor, acc.b * 256 / divisor};
        write(k, join(applyTone(out, tone)));
    }
}

template <class Read, class Write>
void interpolateLine(int m, const ResampleTables& t, const Tone& tone, Read read, Write write) {
    for (int k = 0; k < m; ++k) {
        const std::int32_t index = t.IndexTable[k];
        const std::int32_t frac = t.FracTable[k];
        Channels c = split(read(index));
        Channels acc{(c.r * (256 - frac)) >> 8, (c.g * (256 - frac)) >> 8,
                     (c.b * (256 - frac)) >> 8};
        if (frac > 0) {
            c = split(read(index + 1));
            acc.r += (c.r * frac) >> 8;
            acc.g += (c.g * frac) >> 8;
            acc.b += (c.b * frac) >> 8;
        }
        write(k, join(applyTone(acc, tone)));
    }
}

// p = n / m * i (area) or (n - 1) / (m - 1) * i (interpolation), in long
// double, stored as double; integer part and fraction in 1/256.
void fillTables(int n, int m, bool vertical, ResampleTables& t) {
    const bool area = n >= m;
    const int entries = area ? m + 1 : m;
    for (int i = 0; i < entries; ++i) {
        const long double q =
            area ? static_cast<long double>(n) / m : static_cast<long double>(n - 1) / (m - 1);
        const double p = static_cast<double>(q * i);
        const double whole = std::trunc(p);
        const long double frac = (p - whole) * 256.0L;
        t.IndexTable.at(i) = static_cast<std::int32_t>(whole);
        t.FracTable.at(i) =
            static_cast<std::int32_t>(area && vertical ? std::nearbyint(frac) : std::trunc(frac));
    }
}

template <class Read, class Write>
void resampleLine(int n, int m, const ResampleTables& tables, const Tone& tone, Read read,
                  Write write) {
    if (n >= m) {
        const auto divisor = static_cast<std::int64_t>(static_cast<long double>(n) / m * 256.0L);
        averageLine(m, divisor, tables, tone, read, write);
    } else {
        interpolateLine(m, tables, tone, read, write);
    }
}

}  // namespace

void ReferenceRunScale(const TDIB& source, const SelectionRect& selection,
                       const ScaleSettings& settings, const ScalePlan& plan, TDIB& result,
                       ResampleTables& tables, const ScaleProgress& progress) {
    const TDIB src(source);  // `result` may be the very object `source` is
    const int selWidth = selection.Width();
    const int selHeight = selection.Height();

    TDIB work;
    work.SetWidth(plan.TargetWidth);
    work.SetHeight(selHeight);
    TDIB out(result);
    out.SetWidth(work.Width());
    out.SetHeight(plan.TargetHeight);
    const int targetWidth = out.Width();
    const int targetHeight = out.Height();
    work.SetPixelFormat(src.PixelFormat());
    out.SetPixelFormat(src.PixelFormat());
    tables.ResampleTableLength = targetWidth > targetHeight ? targetWidth : targetHeight;
    tables.IndexTable.assign(tables.ResampleTableLength + 1, 0);
    tables.FracTable.assign(tables.ResampleTableLength + 1, 0);

    const Tone noTone{};
    if (progress.PassStarted) progress.PassStarted(2 * (selHeight - 1));
    fillTables(selWidth, targetWidth, false, tables);
    for (int y = selection.Top; y <= selection.Bottom; ++y) {
        resampleLine(
            selWidth, targetWidth, tables, noTone,
            [&](int j) { return src.GetPixels(selection.Left + j, y); },
            [&](int k, int colour) { work.SetPixels(k, y - selection.Top, colour); });
        if (progress.Position) progress.Position(y - selection.Top);
    }

    Tone tone;
    tone.active = settings.ContrastStep != 0 || settings.BrightnessStep != 0;
    tone.contrast = settings.ContrastStep;
    tone.brightness = settings.BrightnessStep;
    if (progress.PassStarted) progress.PassStarted(2 * (targetWidth - 1));
    fillTables(selHeight, targetHeight, true, tables);
    for (int x = 0; x < targetWidth; ++x) {
        resampleLine(
            selHeight, targetHeight, tables, tone, [&](int j) { return work.GetPixels(x, j); },
            [&](int k, int colour) { out.SetPixels(x, k, colour); });
        if (progress.Position) progress.Position(x + targetWidth - 1);
    }

    work.SetPixelFormat(out.PixelFormat());
    const int w = out.Width();
    const int h = out.Height();
    const bool quarter = settings.Rotation == kRotateRight || settings.Rotation == kRotateLeft;
    work.SetWidth(quarter ? h : w);
    work.SetHeight(quarter ? w : h);
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y) {
            const int colour = out.GetPixels(x, y);
            switch (settings.Rotation) {
                case kRotateRight:
                    work.SetPixels(h - 1 - y, x, colour);
                    break;
                case kRotate180:
                    work.SetPixels(w - 1 - x, h - 1 - y, colour);
                    break;
                case kRotateLeft:
                    work.SetPixels(y, w - 1 - x, colour);
                    break;
                default:
                    work.SetPixels(x, y, colour);
                    break;
            }
        }
    }
    out.SetWidth(work.Width());
    out.SetHeight(work.Height());
    for (int x = 0; x < work.Width(); ++x)
        for (int y = 0; y < work.Height(); ++y) out.SetPixels(x, y, work.GetPixels(x, y));
    result.Assign(out);
}
