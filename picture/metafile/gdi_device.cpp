#include "picture/metafile/gdi_device.h"

#include <algorithm>
#include <cmath>

#include "picture/metafile/polygon_fill.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr std::size_t kDeepestSave = 10000;

double roundHalfUp(double v) {
    return std::floor(v + 0.5);
}

PointD roundPoint(PointD p) {
    return {roundHalfUp(p.x), roundHalfUp(p.y)};
}

bool keepsAxes(const Matrix& m) {
    return m.m12 == 0 && m.m21 == 0;
}

Matrix inverseOf(const Matrix& m) {
    const double det = m.determinant();
    Matrix r;
    if (!(std::fabs(det) > 1e-300) || !std::isfinite(det)) return r;
    r.m11 = m.m22 / det;
    r.m12 = -m.m12 / det;
    r.m21 = -m.m21 / det;
    r.m22 = m.m11 / det;
    r.dx = -(m.dx * r.m11 + m.dy * r.m21);
    r.dy = -(m.dx * r.m12 + m.dy * r.m22);
    return r;
}

int clampToInt(double v) {
    if (!(v > -1e9)) return -1000000000;
    if (v > 1e9) return 1000000000;
    return static_cast<int>(v);
}

// Millimetres per logical unit of the fixed mapping modes.
double millimetresPerUnit(int mode) {
    switch (mode) {
        case kMapLoMetric:
            return 0.1;
        case kMapHiMetric:
            return 0.01;
        case kMapLoEnglish:
            return 0.254;
        case kMapHiEnglish:
            return 0.0254;
        case kMapTwips:
            return 25.4 / 1440;
        default:
            return 0;
    }
}

std::shared_ptr<const PatternTile> hatchTile(int hatch, Colour fore, Colour back, bool opaqueBack) {
    auto tile = std::make_shared<PatternTile>();
    tile->width = tile->height = 8;
    tile->pixels.resize(64);
    if (!opaqueBack) tile->opaque.resize(64);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            bool on = false;
            switch (hatch) {
                case 0:
                    on = y == 7;
                    break;  // horizontal
                case 1:
                    on = x == 7;
                    break;  // vertical
                case 2:
                    on = x == y;
                    break;  // top-left to bottom-right
                case 3:
                    on = x + y == 7;
                    break;  // bottom-left to top-right
                case 4:
                    on = x == 7 || y == 7;
                    break;  // cross
                case 5:
                    on = x == y || x + y == 7;
                    break;  // diagonal cross
                default:
                    on = false;
                    break;
            }
            const std::size_t i = static_cast<std::size_t>(y) * 8 + x;
            tile->pixels[i] = on ? fore : back;
            if (!opaqueBack) tile->opaque[i] = on ? 1 : 0;
        }
    }
    return tile;
}

// A blit of the source rectangle; the destination is the caller's.
BlitRequest blitFrom(const DibImage* source, double srcX, double srcY, double srcWidth,
                     double srcHeight) {
    BlitRequest r;
    r.source = source;
    r.srcX = srcX, r.srcY = srcY, r.srcWidth = srcWidth, r.srcHeight = srcHeight;
    return r;
}

// The destination of a blit: the parallelogram the logical rectangle maps to.
void mapDestination(BlitRequest& r, const Matrix& m, double left, double top, double width,
                    double height) {
    r.origin = m.map({left, top});
    r.axisX = m.mapVector({width, 0});
    r.axisY = m.mapVector({0, height});
}

}  // namespace

GdiDevice::GdiDevice(Canvas& canvas, TextRenderer& text, const DeviceSetup& setup)
    : canvas_(canvas), text_(text), setup_(setup) {
    auto pen = std::make_shared<PenObject>();
    state_.pen = pen;
    auto brush = std::make_shared<BrushObject>();
    brush->color = 0xFFFFFF;
    state_.brush = brush;
    state_.palette = DefaultPalette();
}

// ----------------------------------------------------------------- mapping

void GdiDevice::setMapMode(int mode) {
    if (mode < kMapText || mode > kMapAnisotropic) return;
    state_.mapMode = mode;
    if (mode == kMapText) {
        state_.windowExt = {1, 1};
        state_.viewportExt = {1, 1};
    } else if (mode < kMapIsotropic) {
        const double mm = millimetresPerUnit(mode);
        state_.windowExt = {1, 1};
        state_.viewportExt = {mm * setup_.pixelsPerMmX, -mm * setup_.pixelsPerMmY};
    } else if (mode == kMapIsotropic) {
        isotropicAdjust();
    }
}

void GdiDevice::isotropicAdjust() {
    if (state_.mapMode != kMapIsotropic) return;
    PointD& w = state_.windowExt;
    PointD& v = state_.viewportExt;
    if (w.x == 0 || w.y == 0) return;
    const double sx = std::fabs(v.x / w.x), sy = std::fabs(v.y / w.y);
    if (sx < sy)
        v.y = std::copysign(sx * std::fabs(w.y), v.y);
    else if (sy < sx)
        v.x = std::copysign(sy * std::fabs(w.x), v.x);
}

void GdiDevice::setWindowExt(PointD e) {
    if (state_.mapMode < kMapIsotropic || e.x == 0 || e.y == 0) return;
    state_.windowExt = e;
    isotropicAdjust();
}

void GdiDevice::setViewportExt(PointD e) {
    if (state_.mapMode < kMapIsotropic || e.x == 0 || e.y == 0) return;
    state_.viewportExt = e;
    isotropicAdjust();
}

void GdiDevice::scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom == 0 || yDenom == 0) return;
    setWindowExt({state_.windowExt.x * xNum / xDenom, state_.windowExt.y * yNum / yDenom});
}

void GdiDevice::scaleViewportExt(double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom == 0 || yDenom == 0) return;
    setViewportExt({state_.viewportExt.x * xNum / xDenom, state_.viewportExt.y * yNum / yDenom});
}

void GdiDevice::setWorldTransform(const Matrix& m) {
    if (m.isFinite() && m.determinant() != 0) state_.world = m;
}

void GdiDevice::modifyWorldTransform(const Matrix& m, int mode) {
    switch (mode) {
        case 1:
            state_.world = Matrix();
            break;
        case 2:
            setWorldTransform(m.then(state_.world));
            break;
        case 3:
            setWorldTransform(state_.world.then(m));
            break;
        case 4:
            setWorldTransform(m);
            break;
        default:
            break;
    }
}

Matrix GdiDevice::logicalToPicture() const {
    const DcState& s = state_;
    const double sx = s.windowExt.x != 0 ? s.viewportExt.x / s.windowExt.x : 1;
    const double sy = s.windowExt.y != 0 ? s.viewportExt.y / s.windowExt.y : 1;
    const Matrix page = Matrix::scaling(sx, sy, s.viewportOrg.x - s.windowOrg.x * sx,
                                        s.viewportOrg.y - s.windowOrg.y * sy);
    return s.world.then(page).then(setup_.deviceToPicture);
}

RectI GdiDevice::toPictureRect(double left, double top, double right, double bottom) const {
    const Matrix m = logicalToPicture();
    const PointD corners[4] = {m.map({left, top}), m.map({right, top}), m.map({left, bottom}),
                               m.map({right, bottom})};
    double x0 = corners[0].x, x1 = x0, y0 = corners[0].y, y1 = y0;
    for (const PointD& c : corners) {
        x0 = std::min(x0, c.x), x1 = std::max(x1, c.x);
        y0 = std::min(y0, c.y), y1 = std::max(y1, c.y);
    }
    return {clampToInt(roundHalfUp(x0)), clampToInt(roundHalfUp(y0)), clampToInt(roundHalfUp(x1)),
            clampToInt(roundHalfUp(y1))};
}

RectI GdiDevice::deviceRectToPicture(const RectI& d) const {
    const Matrix& m = setup_.deviceToPicture;
    const PointD a = m.map({static_cast<double>(d.left), static_cast<double>(d.top)});
    const PointD b = m.map({static_cast<double>(d.right), static_cast<double>(d.bottom)});
    return {
        clampToInt(roundHalfUp(std::min(a.x, b.x))), clampToInt(roundHalfUp(std::min(a.y, b.y))),
        clampToInt(roundHalfUp(std::max(a.x, b.x))), clampToInt(roundHalfUp(std::max(a.y, b.y)))};
}

// ------------------------------------------------------------ context stack

void GdiDevice::saveDC() {
    if (saved_.size() < kDeepestSave) saved_.push_back(state_);
}

void GdiDevice::restoreDC(int which) {
    std::size_t target;
    if (which < 0) {
        const std::size_t back = static_cast<std::size_t>(-static_cast<long long>(which));
        if (back > saved_.size()) return;
        target = saved_.size() - back;
    } else if (which > 0) {
        if (static_cast<std::size_t>(which) > saved_.size()) return;
        target = static_cast<std::size_t>(which) - 1;
    } else {
        return;
    }
    state_ = saved_[target];
    saved_.resize(target);
    applyClip();
}

const std::vector<Colour>& GdiDevice::paletteColours() const {
    static const std::vector<Colour> none;
    return state_.palette ? state_.palette->entries : none;
}

bool GdiDevice::selectObject(const GdiObject& object) {
    if (object.pen)
        selectPen(object.pen);
    else if (object.brush)
        selectBrush(object.brush);
    else if (object.font)
        selectFont(object.font);
    else
        return false;
    return true;
}

int GdiDevice::textEncoding() const {
    const FontObject* font = state_.font.get();
    return font ? TextEncodingFor(font->face, font->charset) : kAnsiCharset;
}

// ------------------------------------------------------------ pens, brushes

StrokeStyle GdiDevice::strokeStyle() const {
    StrokeStyle s;
    const PenObject* pen = state_.pen.get();
    if (!pen) {
        s.dash = kDashNull;
        return s;
    }
    const Matrix m = logicalToPicture();
    int dash = pen->style & 0xF;
    double width = 1;
    if (pen->width > 0 && (pen->geometric || !pen->extended))
        width = lengthOf(m.mapVector({pen->width, 0}));
    if (!(width >= 1)) width = 1;
    if (width > 1e6) width = 1e6;
    s.width = width;
    if (dash == kDashInsideFrame) dash = kDashSolid;
    if (!IsCosmeticWidth(width) && !pen->extended && dash != kDashNull) dash = kDashSolid;
    s.dash = dash;
    const int cap = (pen->style >> 8) & 0xF;
    s.cap = cap == 1 ? kCapSquare : cap == 2 ? kCapFlat : kCapRound;
    const int join = (pen->style >> 12) & 0xF;
    s.join = join == 1 ? kJoinBevel : join == 2 ? kJoinMiter : kJoinRound;
    s.miterLimit = state_.miterLimit;
    const double unit = lengthOf(m.mapVector({1, 0}));
    for (double d : pen->userDashes) s.userDashes.push_back(std::max(d * unit, 1.0));
    if (dash == kDashUser && s.userDashes.empty()) s.dash = kDashSolid;
    s.colour = resolve(pen->color);
    s.rop2 = state_.rop2;
    s.opaqueGaps = state_.bkMode == kBkOpaque;
    s.gapColour = resolve(state_.bkColor);
    return s;
}

bool GdiDevice::brushPaint(const BrushObject* brush, Paint& paint) const {
    if (!brush) return false;
    switch (brush->style) {
        case kBrushSolid:
            paint = Paint::solid(resolve(brush->color));
            return true;
        case kBrushHatched:
            paint.colour = resolve(brush->color);
            paint.tile = hatchTile(brush->hatch, paint.colour, resolve(state_.bkColor),
                                   state_.bkMode == kBkOpaque);
            return true;
        case kBrushPattern:
        case kBrushDibPattern:
        case kBrushDibPatternPt: {
            const DibImage* image = brush->pattern.get();
            if (!image || image->width <= 0 || image->height <= 0) return false;
            paint.colour = kBlack;
            if (image->monochrome && brush->monochromeUsesDcColours) {
                auto tile = std::make_shared<PatternTile>();
                tile->width = image->width;
                tile->height = image->height;
                const Colour fore = resolve(state_.textColor), back = resolve(state_.bkColor);
                tile->pixels.resize(image->bitsOfMonochrome.size());
                for (std::size_t i = 0; i < tile->pixels.size(); ++i)
                    tile->pixels[i] = image->bitsOfMonochrome[i] ? back : fore;
                paint.tile = tile;
                return true;
            }
            if (!brush->tile) {
                auto tile = std::make_shared<PatternTile>();
                tile->width = image->width;
                tile->height = image->height;
                tile->pixels.reserve(image->pixels.size());
                for (std::uint32_t p : image->pixels) tile->pixels.push_back(p & 0xFFFFFF);
                brush->tile = tile;
            }
            paint.tile = brush->tile;
            return true;
        }
        default:
            return false;
    }
}

// ----------------------------------------------------------------- drawing

void GdiDevice::addToPath(const Polyline& points, bool closed) {
    if (points.empty()) return;
    path_.push_back({points, closed});
}

void GdiDevice::drawFigures(const std::vector<Polyline>& input, bool closed, bool fill,
                            bool stroke) {
    if (pathOpen_) {
        for (const Polyline& figure : input) addToPath(figure, closed);
        return;
    }
    std::vector<Polyline> figures = input;
    for (Polyline& figure : figures)
        for (PointD& p : figure) p = roundPoint(p);
    if (fill && closed) {
        Paint paint;
        if (brushPaint(state_.brush.get(), paint)) {
            const FillRule rule =
                state_.polyFillMode == 2 ? FillRule::Winding : FillRule::Alternate;
            const ScanRegion region =
                FillPolygons(figures, rule, canvas_.bounds(), canvas_.budget());
            canvas_.fillRegion(region, paint, state_.rop2);
        }
    }
    if (stroke) {
        const StrokeStyle style = strokeStyle();
        if (style.dash == kDashNull) return;
        for (const Polyline& figure : figures) StrokePolyline(canvas_, figure, closed, style);
    }
}

void GdiDevice::moveTo(PointD p) {
    state_.currentPosition = p;
    if (pathOpen_) {
        path_.push_back({{toPicture(p)}, false});
    }
}

void GdiDevice::continueFigure(const Polyline& figure) {
    if (!pathOpen_) {
        drawFigures({figure}, false, false, true);
        return;
    }
    if (path_.empty() || path_.back().closed) path_.push_back({{figure[0]}, false});
    path_.back().points.insert(path_.back().points.end(), figure.begin() + 1, figure.end());
}

void GdiDevice::lineTo(PointD p) {
    polylineTo({p});
}

void GdiDevice::polyline(const std::vector<PointD>& points) {
    if (points.empty()) return;
    const Matrix m = logicalToPicture();
    Polyline figure;
    figure.reserve(points.size());
    for (const PointD& p : points) figure.push_back(m.map(p));
    drawFigures({figure}, false, false, true);
}

void GdiDevice::polylineTo(const std::vector<PointD>& points) {
    if (points.empty()) return;
    const Matrix m = logicalToPicture();
    Polyline figure{m.map(state_.currentPosition)};
    for (const PointD& p : points) figure.push_back(m.map(p));
    continueFigure(figure);
    state_.currentPosition = points.back();
}

void GdiDevice::polyPolyline(const std::vector<std::vector<PointD>>& lines) {
    for (const auto& line : lines) polyline(line);
}

void GdiDevice::polyPolygon(const std::vector<std::vector<PointD>>& polygons) {
    const Matrix m = logicalToPicture();
    std::vector<Polyline> figures;
    for (const auto& polygon : polygons) {
        if (polygon.empty()) continue;
        Polyline figure;
        figure.reserve(polygon.size());
        for (const PointD& p : polygon) figure.push_back(m.map(p));
        figures.push_back(std::move(figure));
    }
    drawFigures(figures, true, true, true);
}

void GdiDevice::polyBezier(const std::vector<PointD>& points) {
    if (points.size() < 4) return;
    const Matrix m = logicalToPicture();
    Polyline figure{m.map(points[0])};
    for (std::size_t i = 1; i + 2 < points.size(); i += 3)
        AppendBezier(m.map(points[i - 1]), m.map(points[i]), m.map(points[i + 1]),
                     m.map(points[i + 2]), figure);
    drawFigures({figure}, false, false, true);
}

void GdiDevice::polyBezierTo(const std::vector<PointD>& points) {
    if (points.size() < 3) return;
    const Matrix m = logicalToPicture();
    Polyline figure{m.map(state_.currentPosition)};
    PointD last = state_.currentPosition;
    for (std::size_t i = 0; i + 2 < points.size(); i += 3) {
        AppendBezier(m.map(last), m.map(points[i]), m.map(points[i + 1]), m.map(points[i + 2]),
                     figure);
        last = points[i + 2];
    }
    state_.currentPosition = last;
    continueFigure(figure);
}

void GdiDevice::polyDraw(const std::vector<PointD>& points,
                         const std::vector<std::uint8_t>& types) {
    const Matrix m = logicalToPicture();
    std::vector<Polyline> open, closed;
    Polyline current{m.map(state_.currentPosition)};
    PointD last = state_.currentPosition;
    auto finish = [&](bool close) {
        if (current.size() > 1) (close ? closed : open).push_back(current);
        current = {m.map(last)};
    };
    const std::size_t n = std::min(points.size(), types.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int type = types[i] & ~1;
        if (type == 6) {  // move
            finish(false);
            last = points[i];
            current = {m.map(last)};
        } else if (type == 2) {  // line
            last = points[i];
            current.push_back(m.map(last));
        } else if (type == 4 && i + 2 < n) {  // Bezier: three points
            AppendBezier(m.map(last), m.map(points[i]), m.map(points[i + 1]), m.map(points[i + 2]),
                         current);
            last = points[i + 2];
            i += 2;
        }
        if (types[i] & 1) finish(true);
    }
    finish(false);
    state_.currentPosition = last;
    if (pathOpen_) {
        for (auto& f : open) addToPath(f, false);
        for (auto& f : closed) addToPath(f, true);
        return;
    }
    drawFigures(open, false, false, true);
    drawFigures(closed, true, false, true);
}

bool GdiDevice::shapeFrame(double& left, double& top, double& right, double& bottom,
                           Matrix& toPicture) const {
    const Matrix m = logicalToPicture();
    if (!m.isFinite()) return false;
    if (keepsAxes(m)) {
        const PointD a = roundPoint(m.map({left, top})), b = roundPoint(m.map({right, bottom}));
        left = std::min(a.x, b.x);
        right = std::max(a.x, b.x) - 1;
        top = std::min(a.y, b.y);
        bottom = std::max(a.y, b.y) - 1;
        toPicture = Matrix();
    } else {
        if (left > right) std::swap(left, right);
        if (top > bottom) std::swap(top, bottom);
        toPicture = m;
    }
    // A wide inside-frame pen keeps its stroke within the frame.
    const PenObject* pen = state_.pen.get();
    if (pen && (pen->style & 0xF) == kDashInsideFrame) {
        const StrokeStyle s = strokeStyle();
        if (!IsCosmeticWidth(s.width)) {
            const double scale = keepsAxes(m) ? 1 : std::max(lengthOf(m.mapVector({1, 0})), 1e-12);
            const double inset = s.width / 2 / scale;
            left += inset, right -= inset, top += inset, bottom -= inset;
            if (left > right) left = right = (left + right) / 2;
            if (top > bottom) top = bottom = (top + bottom) / 2;
        }
    }
    return right >= left && bottom >= top;
}

static Polyline mapped(Polyline points, const Matrix& m) {
    for (PointD& p : points) p = m.map(p);
    return points;
}

void GdiDevice::rectangle(double left, double top, double right, double bottom) {
    Matrix m;
    if (!shapeFrame(left, top, right, bottom, m)) return;
    drawFigures({mapped({{left, top}, {right, top}, {right, bottom}, {left, bottom}}, m)}, true,
                true, true);
}

void GdiDevice::roundRect(double left, double top, double right, double bottom, double cornerWidth,
                          double cornerHeight) {
    const Matrix full = logicalToPicture();
    Matrix m;
    if (!shapeFrame(left, top, right, bottom, m)) return;
    if (keepsAxes(full) && m.m11 == 1 && m.dx == 0) {
        cornerWidth = std::fabs(full.m11 * cornerWidth);
        cornerHeight = std::fabs(full.m22 * cornerHeight);
    }
    drawFigures({mapped(RoundRectPoints(left, top, right, bottom, cornerWidth, cornerHeight), m)},
                true, true, true);
}

void GdiDevice::ellipse(double left, double top, double right, double bottom) {
    Matrix m;
    if (!shapeFrame(left, top, right, bottom, m)) return;
    const double cx = (left + right) / 2, cy = (top + bottom) / 2;
    double rx = (right - left) / 2, ry = (bottom - top) / 2;
    Polyline points = EllipsePoints(cx, cy, rx, ry);
    if (m.m11 != 1 || m.m22 != 1 || m.m12 != 0 || m.m21 != 0) {
        // The segment count follows the size on the picture.
        const double size =
            std::max(lengthOf(m.mapVector({rx, 0})), lengthOf(m.mapVector({0, ry})));
        const int n = SegmentsForRadius(size);
        points.clear();
        for (int i = 0; i < n; ++i) {
            const double t = 2 * kPi * i / n;
            points.push_back({cx + rx * std::cos(t), cy - ry * std::sin(t)});
        }
    }
    drawFigures({mapped(points, m)}, true, true, true);
}

void GdiDevice::arc(ArcKind kind, double left, double top, double right, double bottom,
                    PointD start, PointD end) {
    const Matrix full = logicalToPicture();
    Matrix m;
    if (!shapeFrame(left, top, right, bottom, m)) return;
    const bool inPicture =
        m.m11 == 1 && m.m22 == 1 && m.dx == 0 && m.dy == 0 && m.m12 == 0 && m.m21 == 0;
    const PointD s = inPicture ? full.map(start) : start;
    const PointD e = inPicture ? full.map(end) : end;
    const double cx = (left + right) / 2, cy = (top + bottom) / 2;
    Polyline points =
        ArcPoints(cx, cy, (right - left) / 2, (bottom - top) / 2, s, e, state_.arcClockwise);
    if (kind == ArcKind::Pie) points.push_back({cx, cy});
    points = mapped(points, m);
    switch (kind) {
        case ArcKind::Arc:
            drawFigures({points}, false, false, true);
            break;
        case ArcKind::ArcTo: {
            Polyline withLine{full.map(state_.currentPosition)};
            withLine.insert(withLine.end(), points.begin(), points.end());
            continueFigure(withLine);
            state_.currentPosition = inverseOf(full).map(points.back());
            break;
        }
        case ArcKind::Chord:
        case ArcKind::Pie:
            drawFigures({points}, true, true, true);
            break;
    }
}

void GdiDevice::angleArc(PointD centre, double radius, double startDegrees, double sweepDegrees) {
    const Matrix m = logicalToPicture();
    const double r = std::fabs(radius);
    const double sweep = std::clamp(sweepDegrees, -3600.0, 3600.0) * kPi / 180;
    const double a0 = startDegrees * kPi / 180;
    if (!std::isfinite(a0) || !std::isfinite(sweep)) return;
    const double size = lengthOf(m.mapVector({r, 0}));
    const int n = std::max(2, static_cast<int>(SegmentsForRadius(size) *
                                               std::min(std::fabs(sweep) / (2 * kPi), 10.0)));
    Polyline figure{m.map(state_.currentPosition)};
    PointD last;
    for (int i = 0; i <= n; ++i) {
        const double t = a0 + sweep * i / n;
        last = {centre.x + r * std::cos(t), centre.y - r * std::sin(t)};
        figure.push_back(m.map(last));
    }
    state_.currentPosition = last;
    continueFigure(figure);
}

void GdiDevice::setPixel(PointD p, ColorRef color) {
    if (pathOpen_) return;
    const PointD q = roundPoint(toPicture(p));
    if (!isFinite(q) || std::fabs(q.x) > 1e9 || std::fabs(q.y) > 1e9) return;
    canvas_.plot(static_cast<int>(q.x), static_cast<int>(q.y), resolve(color), kRop2CopyPen);
}

// -------------------------------------------------------------------- text

void GdiDevice::text(PointD reference, const DecodedText& decoded, const TextOptions& options) {
    if (pathOpen_) return;
    const Matrix m = logicalToPicture();
    if (!m.isFinite()) return;
    const bool updateCp = (state_.textAlign & 1) != 0;
    const PointD anchor = updateCp ? state_.currentPosition : reference;

    if (options.opaqueRect) {
        canvas_.fillRegion(
            boxOnPicture(options.rect[0], options.rect[1], options.rect[2], options.rect[3]),
            Paint::solid(resolve(state_.bkColor)), kRop2CopyPen);
    }
    if (decoded.chars.empty()) return;

    std::shared_ptr<const ScanRegion> textClip;
    if (options.clipToRect) {
        ScanRegion box =
            boxOnPicture(options.rect[0], options.rect[1], options.rect[2], options.rect[3]);
        if (canvas_.clip()) box = box.intersected(*canvas_.clip());
        textClip = std::make_shared<const ScanRegion>(std::move(box));
    }

    FontRequest font;
    const FontObject* f = state_.font.get();
    const double deviceScale = lengthOf(setup_.deviceToPicture.mapVector({0, 1}));
    if (f) {
        font.face = f->face;
        font.weight = f->weight;
        font.italic = f->italic;
        font.underline = f->underline;
        font.strikeOut = f->strikeOut;
        font.charset = f->charset;
        if (f->height != 0) {
            font.emHeight = lengthOf(m.mapVector({0, static_cast<double>(f->height)}));
            font.cellHeight = f->height > 0;
        } else {
            font.emHeight = 12.0 / 72 * 25.4 * setup_.pixelsPerMmY * deviceScale;
        }
        if (f->width != 0)
            font.averageWidth = lengthOf(m.mapVector({static_cast<double>(f->width), 0}));
    } else {
        font.face = "System";
        font.weight = 700;
        font.emHeight = 16 * deviceScale * setup_.pixelsPerMmY / (96 / 25.4);
        font.cellHeight = true;
    }

    const PointD xAxis = m.mapVector({1, 0});
    const double xScale = lengthOf(xAxis);
    std::vector<double> advances;
    TextPlacement place;
    if (options.dxGiven) {
        advances.assign(decoded.chars.size(), 0);
        for (std::size_t i = 0; i < decoded.chars.size(); ++i) {
            const std::size_t from = decoded.firstUnit[i];
            const std::size_t to =
                i + 1 < decoded.chars.size() ? decoded.firstUnit[i + 1] : options.dx.size();
            double sum = 0;
            for (std::size_t k = from; k < to && k < options.dx.size(); ++k) sum += options.dx[k];
            advances[i] = sum * xScale;
        }
        place.advances = &advances;
    }
    place.extraSpacing = state_.textCharExtra * xScale;
    place.reference = m.map(anchor);
    place.align = state_.textAlign;
    double angle = f ? f->escapement * kPi / 1800 : 0;
    const PointD worldX = state_.world.mapVector({1, 0});
    angle += std::atan2(-worldX.y, worldX.x);
    place.angle = angle;

    TextPaint paint;
    paint.colour = resolve(state_.textColor);
    paint.opaque = state_.bkMode == kBkOpaque;
    paint.background = resolve(state_.bkColor);

    std::shared_ptr<const ScanRegion> previousClip;
    if (textClip) {
        previousClip =
            canvas_.clip() ? std::make_shared<const ScanRegion>(*canvas_.clip()) : nullptr;
        canvas_.setClip(textClip);
    }
    const double width = text_.draw(canvas_, font, decoded.chars, place, paint);
    if (textClip) applyClip();
    if (updateCp && xScale > 0) {
        const double logicalWidth = width / xScale;
        double sign = (xAxis.x < 0) ? -1 : 1;
        if ((state_.textAlign & 6) == 2) sign = -sign;
        if ((state_.textAlign & 6) != 6) state_.currentPosition.x += sign * logicalWidth;
    }
}

// ------------------------------------------------------------------- blits

void GdiDevice::patBlt(double left, double top, double width, double height, std::uint32_t rop) {
    stretchBlt(left, top, width, height, nullptr, 0, 0, 0, 0, rop);
}

void GdiDevice::stretchBlt(double left, double top, double width, double height,
                           const DibImage* source, double srcX, double srcY, double srcWidth,
                           double srcHeight, std::uint32_t rop) {
    if (pathOpen_) return;
    const Matrix m = logicalToPicture();
    BlitRequest r = blitFrom(source, srcX, srcY, srcWidth, srcHeight);
    if (keepsAxes(m)) {
        const PointD a = roundPoint(m.map({left, top})),
                     b = roundPoint(m.map({left + width, top + height}));
        r.origin = a;
        r.axisX = {b.x - a.x, 0};
        r.axisY = {0, b.y - a.y};
    } else {
        mapDestination(r, m, left, top, width, height);
    }
    r.rop3 = static_cast<int>((rop >> 16) & 0xFF);
    Paint brush;
    const bool hasBrush = brushPaint(state_.brush.get(), brush);
    if (Rop3UsesPattern(r.rop3) && !hasBrush) {
        // A hollow brush paints nothing; what remains of the operation
        // without the pattern is not drawn either.
        return;
    }
    r.brush = &brush;
    Blit(canvas_, r);
}

void GdiDevice::parallelogramBlt(PointD p0, PointD p1, PointD p2, const DibImage* source,
                                 double srcX, double srcY, double srcWidth, double srcHeight) {
    if (pathOpen_) return;
    const Matrix m = logicalToPicture();
    BlitRequest r = blitFrom(source, srcX, srcY, srcWidth, srcHeight);
    r.origin = m.map(p0);
    r.axisX = m.map(p1) - r.origin;
    r.axisY = m.map(p2) - r.origin;
    Blit(canvas_, r);
}

void GdiDevice::transparentBlt(double left, double top, double width, double height,
                               const DibImage* source, double srcX, double srcY, double srcWidth,
                               double srcHeight, Colour transparent) {
    if (pathOpen_) return;
    BlitRequest r = blitFrom(source, srcX, srcY, srcWidth, srcHeight);
    mapDestination(r, logicalToPicture(), left, top, width, height);
    r.mode = BlitMode::TransparentColour;
    r.transparent = transparent;
    Blit(canvas_, r);
}

void GdiDevice::alphaBlend(double left, double top, double width, double height,
                           const DibImage* source, double srcX, double srcY, double srcWidth,
                           double srcHeight, int constantAlpha, bool sourceAlpha) {
    if (pathOpen_) return;
    BlitRequest r = blitFrom(source, srcX, srcY, srcWidth, srcHeight);
    mapDestination(r, logicalToPicture(), left, top, width, height);
    r.mode = BlitMode::AlphaBlend;
    r.constantAlpha = std::clamp(constantAlpha, 0, 255);
    r.sourceAlpha = sourceAlpha;
    Blit(canvas_, r);
}

// ----------------------------------------------------------------- regions

void GdiDevice::fillRegion(const ScanRegion& region, const BrushObject* brush) {
    Paint paint;
    if (brushPaint(brush, paint)) canvas_.fillRegion(region, paint, state_.rop2);
}

void GdiDevice::frameRegion(const ScanRegion& region, const BrushObject* brush, int width,
                            int height) {
    width = std::clamp(width, 1, 10000);
    height = std::clamp(height, 1, 10000);
    ScanRegion inner = region.intersected(region.offset(width, 0))
                           .intersected(region.offset(-width, 0))
                           .intersected(region.offset(0, height))
                           .intersected(region.offset(0, -height));
    fillRegion(region.combined(inner, RegionOp::Diff), brush);
}

void GdiDevice::invertRegion(const ScanRegion& region) {
    canvas_.fillRegion(region, Paint::solid(kBlack), 6);
}

// ---------------------------------------------------------------- clipping

void GdiDevice::applyClip() {
    std::shared_ptr<const ScanRegion> effective;
    if (state_.clip && state_.metaClip)
        effective = std::make_shared<const ScanRegion>(state_.clip->intersected(*state_.metaClip));
    else
        effective = state_.clip ? state_.clip : state_.metaClip;
    canvas_.setClip(effective);
}

ScanRegion GdiDevice::boxOnPicture(double left, double top, double right, double bottom) const {
    const RectI r = toPictureRect(left, top, right, bottom);
    const RectI b = canvas_.bounds();
    return ScanRegion::fromRect({std::max(r.left, b.left), std::max(r.top, b.top),
                                 std::min(r.right, b.right), std::min(r.bottom, b.bottom)});
}

void GdiDevice::intersectClipRect(double left, double top, double right, double bottom) {
    ScanRegion box = boxOnPicture(left, top, right, bottom);
    if (state_.clip) box = state_.clip->intersected(box);
    state_.clip = std::make_shared<const ScanRegion>(std::move(box));
    applyClip();
}

void GdiDevice::excludeClipRect(double left, double top, double right, double bottom) {
    const ScanRegion box = boxOnPicture(left, top, right, bottom);
    const ScanRegion current = state_.clip ? *state_.clip : ScanRegion::fromRect(canvas_.bounds());
    state_.clip = std::make_shared<const ScanRegion>(current.combined(box, RegionOp::Diff));
    applyClip();
}

void GdiDevice::offsetClip(double dx, double dy) {
    if (!state_.clip) return;
    const PointD d = logicalToPicture().mapVector({dx, dy});
    if (!isFinite(d) || std::fabs(d.x) > 1e8 || std::fabs(d.y) > 1e8) return;
    state_.clip = std::make_shared<const ScanRegion>(state_.clip->offset(
        static_cast<int>(roundHalfUp(d.x)), static_cast<int>(roundHalfUp(d.y))));
    applyClip();
}

void GdiDevice::selectClipRegion(const ScanRegion* region, RegionOp op) {
    if (!region) {
        if (op == RegionOp::Copy) {
            state_.clip.reset();
            applyClip();
        }
        return;
    }
    const ScanRegion limited = region->intersected(ScanRegion::fromRect(canvas_.bounds()));
    if (op == RegionOp::Copy) {
        state_.clip = std::make_shared<const ScanRegion>(limited);
    } else {
        // No clip region stands for the whole picture.
        const ScanRegion current =
            state_.clip ? *state_.clip : ScanRegion::fromRect(canvas_.bounds());
        state_.clip = std::make_shared<const ScanRegion>(current.combined(limited, op));
    }
    applyClip();
}

void GdiDevice::setMetaRegion() {
    if (state_.clip) {
        state_.metaClip =
            state_.metaClip
                ? std::make_shared<const ScanRegion>(state_.metaClip->intersected(*state_.clip))
                : state_.clip;
    }
    state_.clip.reset();
    applyClip();
}

// ------------------------------------------------------------------- paths

void GdiDevice::beginPath() {
    path_.clear();
    pathOpen_ = true;
    pathWidened_ = false;
}

void GdiDevice::abortPath() {
    path_.clear();
    pathOpen_ = false;
    pathWidened_ = false;
}

void GdiDevice::closeFigure() {
    if (!path_.empty() && !path_.back().closed) {
        path_.back().closed = true;
        // A line after closing starts from the figure's first point.
        path_.push_back({{path_.back().points.front()}, false});
    }
}

ScanRegion GdiDevice::pathRegion() const {
    std::vector<Contour> contours;
    for (const Figure& f : path_)
        if (f.points.size() > 2) contours.push_back(f.points);
    const FillRule rule =
        pathWidened_ || state_.polyFillMode == 2 ? FillRule::Winding : FillRule::Alternate;
    return FillPolygons(contours, rule, canvas_.bounds(), canvas_.budget());
}

void GdiDevice::fillPathArea() {
    Paint paint;
    if (brushPaint(state_.brush.get(), paint)) canvas_.fillRegion(pathRegion(), paint, state_.rop2);
}

void GdiDevice::strokePathFigures() {
    const StrokeStyle style = strokeStyle();
    if (style.dash != kDashNull)
        for (const Figure& f : path_) StrokePolyline(canvas_, f.points, f.closed, style);
}

void GdiDevice::fillPath() {
    if (pathOpen_) return;
    fillPathArea();
    abortPath();
}

void GdiDevice::strokePath() {
    if (pathOpen_) return;
    strokePathFigures();
    abortPath();
}

void GdiDevice::strokeAndFillPath() {
    if (pathOpen_) return;
    fillPathArea();
    strokePathFigures();
    abortPath();
}

void GdiDevice::widenPath() {
    if (pathOpen_) return;
    StrokeStyle style = strokeStyle();
    std::vector<Figure> widened;
    for (const Figure& f : path_)
        for (auto& contour : WideStrokeOutline(f.points, f.closed, style))
            widened.push_back({contour, true});
    path_ = std::move(widened);
    pathWidened_ = true;
}

void GdiDevice::selectClipPath(RegionOp op) {
    if (pathOpen_) return;
    const ScanRegion region = pathRegion();
    selectClipRegion(&region, op);
    abortPath();
}
