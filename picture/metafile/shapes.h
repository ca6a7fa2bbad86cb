#pragma once

// Curves turned into polylines in picture coordinates: ellipses, elliptic
// arcs, rounded rectangles and Bezier curves. The number of segments grows
// with the size so that no point strays more than a quarter pixel from the
// true curve, with a ceiling that bounds the work of absurd radii.

#include <vector>

#include "picture/metafile/geometry.h"

using Polyline = std::vector<PointD>;

// Segments for a full turn of a curve of radius `radius` pixels.
int SegmentsForRadius(double radius);

Polyline EllipsePoints(double cx, double cy, double rx, double ry);

// The arc of the ellipse (cx, cy, rx, ry) from the ray towards `start` to
// the ray towards `end`, counter-clockwise as seen on the picture unless
// `clockwise`; equal rays give the whole ellipse.
Polyline ArcPoints(double cx, double cy, double rx, double ry, PointD start, PointD end,
                   bool clockwise);

// A rectangle with corners rounded by an ellipse of `cornerWidth` x `cornerHeight`.
Polyline RoundRectPoints(double left, double top, double right, double bottom, double cornerWidth,
                         double cornerHeight);

// Appends the cubic Bezier from p0 (not appended) through p1, p2 to p3.
void AppendBezier(PointD p0, PointD p1, PointD p2, PointD p3, Polyline& out);
