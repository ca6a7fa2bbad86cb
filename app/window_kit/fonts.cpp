#include "app/window_kit/fonts.h"

#include <QStringList>

namespace {

QFont makeFont(const QStringList& families, int pixelSize, bool bold) {
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

}  // namespace

QFont ProportionalFont(int pixelSize, bool bold) {
    return makeFont({QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")}, pixelSize, bold);
}

QFont FixedFont(int pixelSize, bool bold) {
    return makeFont({QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic")}, pixelSize, bold);
}
