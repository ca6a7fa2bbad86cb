#include "picture/metafile/metafile_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <new>

#include "picture/errors.h"
#include "picture/metafile/canvas.h"
#include "picture/metafile/emf_player.h"
#include "picture/metafile/gdi_device.h"
#include "picture/metafile/text_renderer.h"
#include "picture/metafile/wmf_player.h"
#include "picture/reader_limits.h"
#include "picture/size_limits.h"

namespace {

constexpr double kScreenDpi = 96;

// a * b / c rounded half away from zero, as the platform's MulDiv does.
std::int64_t mulDiv(std::int64_t a, std::int64_t b, std::int64_t c) {
    const double exact = static_cast<double>(a) * static_cast<double>(b) / static_cast<double>(c);
    return static_cast<std::int64_t>(std::llround(exact));
}

// The drawing work one picture may take, in pixels and edges visited. The
// drawings of the public metafile suite visit at most four times their
// area; sixty-four times leaves ample room for honest drawings and ends a
// hostile file within seconds.
std::uint64_t budgetFor(int width, int height) {
    const std::uint64_t area =
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    return std::min<std::uint64_t>(area * 64 + (std::uint64_t{1} << 24), std::uint64_t{1} << 31);
}

void fillWhite(DecodedPicture& picture) {
    for (int y = 0; y < picture.height; ++y) {
        std::uint8_t* row = picture.row(y);
        for (int x = 0; x < picture.width; ++x) {
            row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = 0xFF;
            row[4 * x + 3] = 0;
        }
    }
}

void checkSize(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0) throw EInvalidGraphic("Metafile has an empty picture frame");
    if (width > INT32_MAX || height > INT32_MAX) checkedPictureBytes(width, height, 32);  // throws
}

void play(DecodedPicture& picture, const DeviceSetup& setup,
          const std::function<void(GdiDevice&, WorkBudget&)>& body) {
    WorkBudget budget(budgetFor(picture.width, picture.height));
    Canvas canvas(picture, budget);
    TextRenderer text;
    GdiDevice device(canvas, text, setup);
    try {
        body(device, budget);
    } catch (const DrawingBudgetSpent&) {
        // The drawing so far stays; the rest would take longer than any
        // honest metafile needs.
    }
}

struct WmfPlan {
    WmfLayout layout;
    PointD windowOrg, windowExt;
    std::int64_t width = 0, height = 0;
};

WmfPlan planWmf(const std::uint8_t* bytes, std::size_t size) {
    WmfPlan plan;
    plan.layout = ReadWmfLayout(bytes, size);
    const WmfLayout& layout = plan.layout;
    PointD& windowOrg = plan.windowOrg;
    PointD& windowExt = plan.windowExt;
    std::int64_t& width = plan.width;
    std::int64_t& height = plan.height;
    if (layout.placeable) {
        const int* b = layout.bounds;
        const std::int64_t unitsWide = std::abs(b[2] - b[0]), unitsHigh = std::abs(b[3] - b[1]);
        width = mulDiv(unitsWide, static_cast<std::int64_t>(kScreenDpi), layout.unitsPerInch);
        height = mulDiv(unitsHigh, static_cast<std::int64_t>(kScreenDpi), layout.unitsPerInch);
        if (unitsWide > 0) width = std::max<std::int64_t>(width, 1);
        if (unitsHigh > 0) height = std::max<std::int64_t>(height, 1);
        windowOrg = {static_cast<double>(std::min(b[0], b[2])),
                     static_cast<double>(std::min(b[1], b[3]))};
        windowExt = {static_cast<double>(unitsWide), static_cast<double>(unitsHigh)};
    } else {
        // Without the placeable header the records are the only guide: the
        // window the metafile sets, in the units of its mapping mode (twips
        // where the mode leaves them open, as word processors write them),
        // or else the box its drawing spans, in pixels.
        const WmfExtent extent = ScanWmfExtent(bytes, size, layout);
        double unitsPerInch = 1440;
        switch (extent.mapMode) {
            case kMapLoMetric:
                unitsPerInch = 254;
                break;
            case kMapHiMetric:
                unitsPerInch = 2540;
                break;
            case kMapLoEnglish:
                unitsPerInch = 100;
                break;
            case kMapHiEnglish:
                unitsPerInch = 1000;
                break;
            default:
                break;
        }
        if (extent.hasWindowExt) {
            windowOrg = extent.windowOrg;
            windowExt = {std::fabs(extent.windowExt.x), std::fabs(extent.windowExt.y)};
            if (extent.windowExt.x < 0) windowOrg.x -= windowExt.x;
            if (extent.windowExt.y < 0) windowOrg.y -= windowExt.y;
        } else if (extent.hasDrawing) {
            unitsPerInch = kScreenDpi;
            windowOrg = {std::min(0.0, extent.drawLeft), std::min(0.0, extent.drawTop)};
            windowExt = {extent.drawRight - windowOrg.x + 1, extent.drawBottom - windowOrg.y + 1};
        } else {
            throw EInvalidGraphic("Metafile gives no extent and draws nothing");
        }
        width = std::max<std::int64_t>(1, std::llround(windowExt.x * kScreenDpi / unitsPerInch));
        height = std::max<std::int64_t>(1, std::llround(windowExt.y * kScreenDpi / unitsPerInch));
    }
    checkSize(width, height);
    return plan;
}

void renderWmf(const std::uint8_t* bytes, std::size_t size, DecodedPicture& picture,
               const ReaderLimits& limits) {
    const WmfPlan plan = planWmf(bytes, size);
    const WmfLayout& layout = plan.layout;
    const std::int64_t width = plan.width, height = plan.height;
    const PointD windowOrg = plan.windowOrg, windowExt = plan.windowExt;
    checkDeclaredPictureSize(width, height, limits, 32);
    picture.allocate(static_cast<int>(width), static_cast<int>(height), 32);
    fillWhite(picture);

    DeviceSetup setup;
    play(picture, setup, [&](GdiDevice& device, WorkBudget& budget) {
        // The metafile's window is mapped onto the whole picture; its own
        // records may set the window again, and usually do.
        device.setMapMode(kMapAnisotropic);
        device.setWindowOrg(windowOrg);
        device.setWindowExt(windowExt);
        device.setViewportOrg({0, 0});
        device.setViewportExt({static_cast<double>(width), static_cast<double>(height)});
        PlayWmf(bytes, size, layout, device, budget);
    });
}

struct EmfPlan {
    EmfHeader header;
    std::int64_t width = 0, height = 0;
    DeviceSetup setup;
};

EmfPlan planEmf(const std::uint8_t* bytes, std::size_t size) {
    EmfPlan plan;
    plan.header = ReadEmfHeader(bytes, size);
    const EmfHeader& header = plan.header;
    const double pixelsPerMmX = header.deviceWidth / header.millimetresWidth;
    const double pixelsPerMmY = header.deviceHeight / header.millimetresHeight;
    const std::int64_t frameWide =
        static_cast<std::int64_t>(header.frame.right) - header.frame.left;
    const std::int64_t frameHigh =
        static_cast<std::int64_t>(header.frame.bottom) - header.frame.top;
    std::int64_t width, height;
    // The frame, in device pixels of the recording device, is what lands on
    // the picture.
    double left, top, wide, high;
    if (frameWide > 0 && frameHigh > 0) {
        width = mulDiv(frameWide, static_cast<std::int64_t>(kScreenDpi), 2540);
        height = mulDiv(frameHigh, static_cast<std::int64_t>(kScreenDpi), 2540);
        left = header.frame.left * pixelsPerMmX / 100;
        top = header.frame.top * pixelsPerMmY / 100;
        wide = frameWide * pixelsPerMmX / 100;
        high = frameHigh * pixelsPerMmY / 100;
    } else {
        // No frame: the bounds of what was drawn, in device pixels.
        const std::int64_t boundsWide =
            static_cast<std::int64_t>(header.bounds.right) - header.bounds.left + 1;
        const std::int64_t boundsHigh =
            static_cast<std::int64_t>(header.bounds.bottom) - header.bounds.top + 1;
        if (boundsWide <= 0 || boundsHigh <= 0)
            throw EInvalidGraphic("EMF header: the picture frame is empty");
        width = std::llround(boundsWide * kScreenDpi / (pixelsPerMmX * 25.4));
        height = std::llround(boundsHigh * kScreenDpi / (pixelsPerMmY * 25.4));
        left = header.bounds.left;
        top = header.bounds.top;
        wide = static_cast<double>(boundsWide);
        high = static_cast<double>(boundsHigh);
    }
    if (frameWide > 0 && frameHigh > 0) {
        width = std::max<std::int64_t>(width, 1);
        height = std::max<std::int64_t>(height, 1);
    }
    checkSize(width, height);
    const double sx = width / wide, sy = height / high;
    plan.setup.deviceToPicture = Matrix::scaling(sx, sy, -left * sx, -top * sy);
    plan.setup.pixelsPerMmX = pixelsPerMmX;
    plan.setup.pixelsPerMmY = pixelsPerMmY;
    plan.width = width;
    plan.height = height;
    return plan;
}

void renderEmf(const std::uint8_t* bytes, std::size_t size, DecodedPicture& picture,
               const ReaderLimits& limits) {
    const EmfPlan plan = planEmf(bytes, size);
    checkDeclaredPictureSize(plan.width, plan.height, limits, 32);
    picture.allocate(static_cast<int>(plan.width), static_cast<int>(plan.height), 32);
    fillWhite(picture);
    play(picture, plan.setup, [&](GdiDevice& device, WorkBudget& budget) {
        PlayEmf(bytes, size, plan.header, device, budget);
    });
}

}  // namespace

MetafileSize MeasureMetafile(const std::uint8_t* bytes, std::size_t size, MetafileKind kind) {
    if (!bytes || size == 0) throw EInvalidGraphic("Metafile is empty");
    if (kind == MetafileKind::WMF) {
        const WmfPlan plan = planWmf(bytes, size);
        return {plan.width, plan.height};
    }
    const EmfPlan plan = planEmf(bytes, size);
    return {plan.width, plan.height};
}

void RenderMetafile(const std::uint8_t* bytes, std::size_t size, MetafileKind kind,
                    DecodedPicture& picture, const ReaderLimits& limits) {
    if (!bytes || size == 0) throw EInvalidGraphic("Metafile is empty");
    DecodedPicture result;
    try {
        if (kind == MetafileKind::WMF)
            renderWmf(bytes, size, result, limits);
        else
            renderEmf(bytes, size, result, limits);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory("Out of memory while drawing the metafile");
    }
    result.xPelsPerMeter = result.yPelsPerMeter = 3780;
    picture = std::move(result);
}
