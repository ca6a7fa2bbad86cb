#pragma once

// Text drawn with the system's fonts: fontconfig picks the installed font
// for a face name (Japanese faces go to the IPA Gothic fonts), FreeType
// supplies the glyph outlines, and the outlines are filled by the
// renderer's own scan conversion, so text has hard edges like every other
// shape, rotates with the escapement and is clipped like everything else.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "picture/metafile/canvas.h"
#include "picture/metafile/geometry.h"

// A logical font resolved to picture pixels.
struct FontRequest {
    std::string face;      // UTF-8
    double emHeight = 16;  // picture pixels; the cell height when `cellHeight`
    bool cellHeight = false;
    double averageWidth = 0;  // picture pixels; 0 for the font's own proportions
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charset = 0;
};

// How one string is set: the reference point in picture coordinates, the
// direction of the baseline (radians, counter-clockwise as seen), alignment
// flags of the metafile (left/right/centre, top/bottom/baseline), and
// optional advances per character in picture pixels.
struct TextPlacement {
    PointD reference;
    double angle = 0;
    int align = 0;
    const std::vector<double>* advances = nullptr;
    double extraSpacing = 0;  // added after each character (pixels)
};

struct TextPaint {
    Colour colour = kBlack;
    int rop2 = kRop2CopyPen;
    bool opaque = false;  // fill the text's box with `background` first
    Colour background = kWhite;
};

class TextRenderer {
public:
    TextRenderer();
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    // Draws `text`; returns the advance of the whole string in pixels along
    // the baseline (for updating the current position).
    double draw(Canvas& canvas, const FontRequest& font, const std::u32string& text,
                const TextPlacement& place, const TextPaint& paint);

    // The advance of `text` in pixels, without drawing.
    double measure(const FontRequest& font, const std::u32string& text);

    bool available() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};
