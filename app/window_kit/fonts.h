#pragma once

// The window's fonts: "ＭＳ Ｐゴシック" (proportional) and "ＭＳ ゴシック"
// (fixed) stand here for IPAPGothic and IPAGothic.

#include <QFont>

QFont ProportionalFont(int pixelSize, bool bold = false);
QFont FixedFont(int pixelSize, bool bold = false);
