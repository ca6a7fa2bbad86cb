#pragma once

// The device the records play on: it keeps the context state, maps logical
// coordinates to picture pixels and turns each drawing call into filled
// regions, strokes, text and blits on the canvas. While a path is open,
// drawing calls add figures to the path instead. Both metafile players (WMF
// and EMF) drive this one device.

#include <vector>

#include "picture/metafile/blit.h"
#include "picture/metafile/canvas.h"
#include "picture/metafile/device_context.h"
#include "picture/metafile/shapes.h"
#include "picture/metafile/stroke.h"
#include "picture/metafile/text_encoding.h"
#include "picture/metafile/text_renderer.h"

// Where the device's pixels land on the picture and how large they are.
struct DeviceSetup {
    Matrix deviceToPicture;  // the playback transform
    double pixelsPerMmX =
        96 / 25.4;  // the recording device's resolution, for the metric mapping modes
    double pixelsPerMmY = 96 / 25.4;
};

enum class ArcKind { Arc, Chord, Pie, ArcTo };

// Options of a text record.
struct TextOptions {
    bool opaqueRect = false;        // fill `rect` with the background colour
    bool clipToRect = false;        // clip the text to `rect`
    double rect[4] = {0, 0, 0, 0};  // left, top, right, bottom in logical units
    bool dxGiven = false;
    std::vector<double> dx;  // per character, logical units
};

class GdiDevice {
public:
    GdiDevice(Canvas& canvas, TextRenderer& text, const DeviceSetup& setup);

    DcState& state() { return state_; }
    const DcState& state() const { return state_; }
    const DeviceSetup& setup() const { return setup_; }

    // Coordinate spaces.
    void setMapMode(int mode);
    void setWindowOrg(PointD p) { state_.windowOrg = p; }
    void setViewportOrg(PointD p) { state_.viewportOrg = p; }
    void setWindowExt(PointD e);
    void setViewportExt(PointD e);
    void scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    void scaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
    void setWorldTransform(const Matrix& m);
    // 1: identity, 2: left multiply, 3: right multiply, 4: set.
    void modifyWorldTransform(const Matrix& m, int mode);
    Matrix logicalToPicture() const;
    PointD toPicture(PointD logical) const { return logicalToPicture().map(logical); }
    // A rectangle of logical units as a rectangle of pixels (the bounding
    // box of its mapped corners), right and bottom exclusive.
    RectI toPictureRect(double left, double top, double right, double bottom) const;
    // A rectangle of device units (regions of EMF) as picture pixels.
    RectI deviceRectToPicture(const RectI& device) const;

    // Context stack.
    void saveDC();
    void restoreDC(int which);

    // Objects.
    void selectPen(std::shared_ptr<const PenObject> pen) { state_.pen = std::move(pen); }
    void selectBrush(std::shared_ptr<const BrushObject> brush) { state_.brush = std::move(brush); }
    void selectFont(std::shared_ptr<const FontObject> font) { state_.font = std::move(font); }
    void selectPalette(std::shared_ptr<PaletteObject> palette) {
        state_.palette = std::move(palette);
    }
    // Selects the pen, brush or font the entry holds; false when it holds
    // none of them (palettes and regions are selected by records of their own).
    bool selectObject(const GdiObject& object);
    Colour resolve(ColorRef ref) const { return ResolveColor(ref, state_.palette.get()); }
    const std::vector<Colour>& paletteColours() const;

    // Lines and shapes, logical coordinates.
    void moveTo(PointD p);
    void lineTo(PointD p);
    void polyline(const std::vector<PointD>& points);
    void polylineTo(const std::vector<PointD>& points);
    void polyPolyline(const std::vector<std::vector<PointD>>& lines);
    void polygon(const std::vector<PointD>& points) { polyPolygon({points}); }
    void polyPolygon(const std::vector<std::vector<PointD>>& polygons);
    void polyBezier(const std::vector<PointD>& points);
    void polyBezierTo(const std::vector<PointD>& points);
    void polyDraw(const std::vector<PointD>& points, const std::vector<std::uint8_t>& types);
    void rectangle(double left, double top, double right, double bottom);
    void roundRect(double left, double top, double right, double bottom, double cornerWidth,
                   double cornerHeight);
    void ellipse(double left, double top, double right, double bottom);
    void arc(ArcKind kind, double left, double top, double right, double bottom, PointD start,
             PointD end);
    void angleArc(PointD centre, double radius, double startDegrees, double sweepDegrees);
    void setPixel(PointD p, ColorRef color);

    // How the selected font's eight-bit strings are read (text_encoding.h).
    int textEncoding() const;
    // Text at `reference` (logical), or at the current position when the
    // alignment says so.
    void text(PointD reference, const DecodedText& text, const TextOptions& options);

    // Blits; the destination rectangle in logical units.
    void patBlt(double left, double top, double width, double height, std::uint32_t rop);
    void stretchBlt(double left, double top, double width, double height, const DibImage* source,
                    double srcX, double srcY, double srcWidth, double srcHeight, std::uint32_t rop);
    void parallelogramBlt(PointD p0, PointD p1, PointD p2, const DibImage* source, double srcX,
                          double srcY, double srcWidth, double srcHeight);
    void transparentBlt(double left, double top, double width, double height,
                        const DibImage* source, double srcX, double srcY, double srcWidth,
                        double srcHeight, Colour transparent);
    void alphaBlend(double left, double top, double width, double height, const DibImage* source,
                    double srcX, double srcY, double srcWidth, double srcHeight, int constantAlpha,
                    bool sourceAlpha);

    // Regions, in picture pixels.
    void fillRegion(const ScanRegion& region, const BrushObject* brush);
    void frameRegion(const ScanRegion& region, const BrushObject* brush, int width, int height);
    void invertRegion(const ScanRegion& region);

    // Clipping.
    void intersectClipRect(double left, double top, double right, double bottom);
    void excludeClipRect(double left, double top, double right, double bottom);
    void offsetClip(double dx, double dy);                         // logical units
    void selectClipRegion(const ScanRegion* region, RegionOp op);  // null: no clip
    void setMetaRegion();

    // Paths.
    void beginPath();
    void endPath() { pathOpen_ = false; }
    void abortPath();
    void closeFigure();
    void fillPath();
    void strokePath();
    void strokeAndFillPath();
    void widenPath();
    void selectClipPath(RegionOp op);

private:
    struct Figure {
        Polyline points;  // picture coordinates
        bool closed = false;
    };

    void applyClip();
    StrokeStyle strokeStyle() const;
    bool brushPaint(const BrushObject* brush, Paint& paint) const;
    // Fills and strokes figures in picture coordinates, or adds them to the
    // open path.
    void drawFigures(const std::vector<Polyline>& figures, bool closed, bool fill, bool stroke);
    void addToPath(const Polyline& points, bool closed);
    // A figure that starts at the current position: drawn as a line, or,
    // while a path is open, joined to the path's last open figure.
    void continueFigure(const Polyline& figure);
    // The logical rectangle's pixels, cut to the picture.
    ScanRegion boxOnPicture(double left, double top, double right, double bottom) const;
    // The frame shapes are built in: picture pixels (with the platform's
    // right-and-bottom-exclusive corners) when the transform keeps axes,
    // logical units otherwise.
    bool shapeFrame(double& left, double& top, double& right, double& bottom,
                    Matrix& toPicture) const;
    void isotropicAdjust();
    ScanRegion pathRegion() const;
    void fillPathArea();       // with the selected brush
    void strokePathFigures();  // with the selected pen

    Canvas& canvas_;
    TextRenderer& text_;
    DeviceSetup setup_;
    DcState state_;
    std::vector<DcState> saved_;
    std::vector<Figure> path_;
    bool pathOpen_ = false;
    bool pathWidened_ = false;
};
