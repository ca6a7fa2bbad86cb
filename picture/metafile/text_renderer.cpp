#include "picture/metafile/text_renderer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <mutex>

#include "picture/metafile/polygon_fill.h"

namespace {

struct ResolvedFont {
    FT_Face face = nullptr;
    bool emboldenFake = false;
    bool slantFake = false;
};

std::string lowerAscii(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

// Families to ask fontconfig for, best first, for a face name of the
// metafile: the name itself (an installed font of that name wins), then the
// generic family it belongs to.
std::vector<std::string> familiesFor(const std::string& face, int charset, bool& japanese) {
    std::string name = face;
    if (!name.empty() && name[0] == '@') name.erase(0, 1);  // vertical variant of a CJK face
    const std::string lower = lowerAscii(name);
    const bool nonAscii =
        std::any_of(name.begin(), name.end(), [](char c) { return (c & 0x80) != 0; });
    japanese = charset == 128 || nonAscii || contains(lower, "gothic") ||
               contains(lower, "mincho") || contains(lower, "meiryo") || contains(lower, "ms ui");
    std::vector<std::string> families;
    if (japanese) {
        const bool proportional =
            contains(lower, "pgothic") || contains(lower, "ms ui") || contains(lower, "meiryo") ||
            contains(name, "\xEF\xBC\xB0") /* full-width P */ ||
            contains(name, "\xE3\x83\xA1\xE3\x82\xA4\xE3\x83\xAA\xE3\x82\xAA") /* Meiryo */;
        families.push_back(proportional ? "IPAPGothic" : "IPAGothic");
        families.push_back("IPAGothic");
        return families;
    }
    if (!name.empty()) families.push_back(name);
    static const char* const serif[] = {"times",    "serif",   "roman",        "georgia",
                                        "garamond", "cambria", "book antiqua", "century",
                                        "palatino", "bookman"};
    static const char* const mono[] = {"courier",  "mono",     "console",
                                       "consolas", "fixedsys", "terminal"};
    for (const char* s : mono)
        if (contains(lower, s)) {
            families.push_back("monospace");
            return families;
        }
    for (const char* s : serif)
        if (contains(lower, s)) {
            families.push_back("serif");
            return families;
        }
    families.push_back("sans-serif");
    return families;
}

struct OutlineBuilder {
    std::vector<std::vector<PointD>> contours;
    PointD last;
    double scale = 1.0 / 64;
    int steps = 4;
};

PointD toPoint(const FT_Vector* v, double scale) {
    return {v->x * scale, v->y * scale};
}

int moveTo(const FT_Vector* to, void* user) {
    auto* b = static_cast<OutlineBuilder*>(user);
    b->last = toPoint(to, b->scale);
    b->contours.push_back({b->last});
    return 0;
}
int lineTo(const FT_Vector* to, void* user) {
    auto* b = static_cast<OutlineBuilder*>(user);
    if (b->contours.empty()) b->contours.emplace_back();
    b->last = toPoint(to, b->scale);
    b->contours.back().push_back(b->last);
    return 0;
}
int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    auto* b = static_cast<OutlineBuilder*>(user);
    if (b->contours.empty()) b->contours.emplace_back();
    const PointD p0 = b->last, p1 = toPoint(control, b->scale), p2 = toPoint(to, b->scale);
    for (int i = 1; i <= b->steps; ++i) {
        const double t = static_cast<double>(i) / b->steps, u = 1 - t;
        b->contours.back().push_back({u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x,
                                      u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y});
    }
    b->last = p2;
    return 0;
}
int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    auto* b = static_cast<OutlineBuilder*>(user);
    if (b->contours.empty()) b->contours.emplace_back();
    const PointD p0 = b->last, p1 = toPoint(c1, b->scale), p2 = toPoint(c2, b->scale),
                 p3 = toPoint(to, b->scale);
    for (int i = 1; i <= b->steps; ++i) {
        const double t = static_cast<double>(i) / b->steps, u = 1 - t;
        const double a = u * u * u, bb = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        b->contours.back().push_back({a * p0.x + bb * p1.x + c * p2.x + d * p3.x,
                                      a * p0.y + bb * p1.y + c * p2.y + d * p3.y});
    }
    b->last = p3;
    return 0;
}

// Glyph sizes beyond this many pixels are not drawn: no picture this
// program can hold shows such a glyph whole.
constexpr double kLargestEm = 60000;

}  // namespace

struct TextRenderer::Impl {
    FT_Library library = nullptr;
    std::map<std::string, FT_Face> faces;  // by file and index
    std::map<std::string, ResolvedFont> resolved;
    std::vector<FT_Face> fallbacks;
    bool fallbacksLoaded = false;

    ~Impl() {
        for (auto& entry : faces) FT_Done_Face(entry.second);
        if (library) FT_Done_FreeType(library);
    }

    FT_Face openFace(const std::string& file, int index) {
        const std::string key = file + "#" + std::to_string(index);
        auto it = faces.find(key);
        if (it != faces.end()) return it->second;
        FT_Face face = nullptr;
        if (FT_New_Face(library, file.c_str(), index, &face) != 0) face = nullptr;
        if (face && !FT_IS_SCALABLE(face)) {
            FT_Done_Face(face);
            face = nullptr;
        }
        faces[key] = face;
        return face;
    }

    // fontconfig's best match for the families; the matched weight and slant
    // tell whether bold and italic must be made up.
    ResolvedFont match(const std::vector<std::string>& families, bool japanese, int weight,
                       bool italic) {
        static std::once_flag fcInit;
        std::call_once(fcInit, [] { FcInit(); });
        ResolvedFont result;
        FcPattern* pattern = FcPatternCreate();
        if (!pattern) return result;
        for (const std::string& family : families)
            FcPatternAddString(pattern, FC_FAMILY,
                               reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddInteger(pattern, FC_WEIGHT, weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        if (japanese) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult status = FcResultNoMatch;
        FcPattern* found = FcFontMatch(nullptr, pattern, &status);
        FcPatternDestroy(pattern);
        if (!found) return result;
        FcChar8* file = nullptr;
        int index = 0, gotWeight = FC_WEIGHT_REGULAR, gotSlant = FC_SLANT_ROMAN;
        if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file) {
            FcPatternGetInteger(found, FC_INDEX, 0, &index);
            FcPatternGetInteger(found, FC_WEIGHT, 0, &gotWeight);
            FcPatternGetInteger(found, FC_SLANT, 0, &gotSlant);
            result.face = openFace(reinterpret_cast<const char*>(file), index);
            result.emboldenFake = weight >= 600 && gotWeight < FC_WEIGHT_DEMIBOLD;
            result.slantFake = italic && gotSlant == FC_SLANT_ROMAN;
        }
        FcPatternDestroy(found);
        return result;
    }

    ResolvedFont resolve(const FontRequest& request) {
        const std::string key = request.face + "|" + std::to_string(request.weight >= 600) + "|" +
                                std::to_string(request.italic) + "|" +
                                std::to_string(request.charset);
        auto it = resolved.find(key);
        if (it != resolved.end()) return it->second;
        bool japanese = false;
        const auto families = familiesFor(request.face, request.charset, japanese);
        ResolvedFont font = match(families, japanese, request.weight, request.italic);
        resolved[key] = font;
        return font;
    }

    const std::vector<FT_Face>& fallbackFaces() {
        if (!fallbacksLoaded) {
            fallbacksLoaded = true;
            for (const char* family : {"IPAPGothic", "sans-serif"}) {
                ResolvedFont f = match({family}, std::string(family) == "IPAPGothic", 400, false);
                if (f.face) fallbacks.push_back(f.face);
            }
        }
        return fallbacks;
    }
};

namespace {

struct FaceMetrics {
    double ascent = 0, descent = 0;  // pixels at the em size asked for
    double emForCell = 1;            // em height per pixel of cell height
    double averageWidth = 0.5;       // per pixel of em
    double underlinePosition = -0.1, underlineThickness = 0.05;  // per pixel of em, y up
    double strikePosition = 0.3, strikeThickness = 0.05;
};

FaceMetrics metricsOf(FT_Face face) {
    FaceMetrics m;
    const double upem = face->units_per_EM > 0 ? face->units_per_EM : 1000;
    double ascent = face->ascender, descent = -face->descender;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        ascent = os2->usWinAscent;
        descent = os2->usWinDescent;
        if (os2->xAvgCharWidth > 0) m.averageWidth = os2->xAvgCharWidth / upem;
        if (os2->yStrikeoutSize > 0) {
            m.strikePosition = os2->yStrikeoutPosition / upem;
            m.strikeThickness = os2->yStrikeoutSize / upem;
        }
    }
    if (ascent + descent <= 0) {
        ascent = upem * 0.8;
        descent = upem * 0.2;
    }
    m.ascent = ascent / upem;
    m.descent = descent / upem;
    m.emForCell = upem / (ascent + descent);
    if (face->underline_thickness > 0) {
        m.underlinePosition = face->underline_position / upem;
        m.underlineThickness = face->underline_thickness / upem;
    }
    return m;
}

}  // namespace

TextRenderer::TextRenderer() : impl_(std::make_unique<Impl>()) {
    if (FT_Init_FreeType(&impl_->library) != 0) impl_->library = nullptr;
}

TextRenderer::~TextRenderer() = default;

bool TextRenderer::available() const {
    return impl_->library != nullptr;
}

namespace {

struct SetText {
    std::vector<std::vector<PointD>> glyphContours;  // picture coordinates
    std::vector<PointD> box;                         // the text's cell box
    std::vector<std::vector<PointD>> bars;           // underline and strike-out
    double width = 0;
    double ascent = 0, descent = 0;
    FaceMetrics metrics;
    double em = 0;
};

}  // namespace

static bool layoutText(TextRenderer::Impl& impl, const FontRequest& font,
                       const std::u32string& text, const TextPlacement* place, bool wantOutlines,
                       SetText& out) {
    if (!impl.library) return false;
    ResolvedFont resolved = impl.resolve(font);
    if (!resolved.face) {
        const auto& fb = impl.fallbackFaces();
        if (fb.empty()) return false;
        resolved.face = fb.back();
    }
    const FaceMetrics metrics = metricsOf(resolved.face);
    double em = std::fabs(font.emHeight);
    if (font.cellHeight) em *= metrics.emForCell;
    if (!(em >= 0.5) || em > kLargestEm) return false;
    double widthScale = 1;
    if (font.averageWidth > 0)
        widthScale = std::clamp(font.averageWidth / (metrics.averageWidth * em), 0.02, 50.0);
    out.metrics = metrics;
    out.em = em;
    out.ascent = metrics.ascent * em;
    out.descent = metrics.descent * em;

    const double angle = place ? place->angle : 0;
    const bool rotated = std::fabs(angle) > 1e-9;
    const FT_F26Dot6 sizeX = static_cast<FT_F26Dot6>(std::lround(em * widthScale * 64));
    const FT_F26Dot6 sizeY = static_cast<FT_F26Dot6>(std::lround(em * 64));
    const FT_Int32 loadFlags =
        FT_LOAD_NO_BITMAP | (rotated ? FT_LOAD_NO_HINTING : FT_LOAD_TARGET_MONO);

    const double ux = std::cos(angle),
                 uy = -std::sin(angle);      // along the baseline, picture coordinates
    const double vx = -uy, vy = ux;          // downwards across it
    std::vector<std::vector<PointD>> local;  // glyph contours, baseline origin at (pen, 0), y up
    std::vector<double> penOf;
    double pen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        FT_Face face = resolved.face;
        FT_UInt glyph = FT_Get_Char_Index(face, c);
        bool fallback = false;
        if (glyph == 0 && c >= 0x20) {
            for (FT_Face f : impl.fallbackFaces()) {
                const FT_UInt g = FT_Get_Char_Index(f, c);
                if (g != 0) {
                    face = f;
                    glyph = g;
                    fallback = true;
                    break;
                }
            }
        }
        double advance = 0;
        if (FT_Set_Char_Size(face, sizeX, sizeY, 72, 72) == 0 &&
            FT_Load_Glyph(face, glyph, loadFlags) == 0 &&
            face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            FT_Outline& outline = face->glyph->outline;
            if (resolved.emboldenFake && !fallback)
                FT_Outline_Embolden(&outline, static_cast<FT_Pos>(em * 64 / 24));
            if (resolved.slantFake && !fallback) {
                FT_Matrix shear = {0x10000, 0x0366A, 0, 0x10000};  // about 12 degrees
                FT_Outline_Transform(&outline, &shear);
            }
            advance = face->glyph->advance.x / 64.0;
            if (resolved.emboldenFake && !fallback) advance += em / 24;
            // A character no installed font has leaves a gap, not a box.
            if (wantOutlines && c > 0x20 && glyph != 0) {
                OutlineBuilder builder;
                builder.steps = em > 200 ? 12 : em > 40 ? 6 : 3;
                FT_Outline_Funcs funcs{moveTo, lineTo, conicTo, cubicTo, 0, 0};
                if (FT_Outline_Decompose(&outline, &funcs, &builder) == 0) {
                    for (auto& contour : builder.contours) {
                        for (PointD& p : contour) p.x += pen;
                        local.push_back(std::move(contour));
                    }
                }
            }
        }
        if (place && place->advances && i < place->advances->size())
            advance = (*place->advances)[i];
        else if (place)
            advance += place->extraSpacing;
        penOf.push_back(pen);
        pen += advance;
    }
    out.width = pen;
    if (!wantOutlines || !place) return true;

    double shiftX = 0;
    if ((place->align & 6) == 6)
        shiftX = -pen / 2;
    else if ((place->align & 6) == 2)
        shiftX = -pen;
    double shiftY = 0;  // baseline offset downwards from the reference point
    if ((place->align & 24) == 24)
        shiftY = 0;
    else if ((place->align & 24) == 8)
        shiftY = -out.descent;
    else
        shiftY = out.ascent;
    const PointD origin = {place->reference.x + ux * shiftX + vx * shiftY,
                           place->reference.y + uy * shiftX + vy * shiftY};
    auto toPicture = [&](double x, double yUp) {
        return PointD{origin.x + ux * x - vx * yUp, origin.y + uy * x - vy * yUp};
    };
    for (auto& contour : local) {
        for (PointD& p : contour) p = toPicture(p.x, p.y);
        out.glyphContours.push_back(std::move(contour));
    }
    out.box = {toPicture(0, out.ascent), toPicture(pen, out.ascent), toPicture(pen, -out.descent),
               toPicture(0, -out.descent)};
    auto bar = [&](double position, double thickness) {
        const double t = std::max(thickness * em, 1.0);
        const double top = position * em + t / 2;
        out.bars.push_back({toPicture(0, top), toPicture(pen, top), toPicture(pen, top - t),
                            toPicture(0, top - t)});
    };
    if (font.underline) bar(metrics.underlinePosition, metrics.underlineThickness);
    if (font.strikeOut) bar(metrics.strikePosition, metrics.strikeThickness);
    return true;
}

double TextRenderer::measure(const FontRequest& font, const std::u32string& text) {
    SetText set;
    if (!layoutText(*impl_, font, text, nullptr, false, set)) return 0;
    return set.width;
}

double TextRenderer::draw(Canvas& canvas, const FontRequest& font, const std::u32string& text,
                          const TextPlacement& place, const TextPaint& paint) {
    SetText set;
    if (!layoutText(*impl_, font, text, &place, true, set)) return 0;
    canvas.budget().charge(text.size() * 16 + 1);
    if (paint.opaque) {
        const ScanRegion boxRegion =
            FillPolygons({set.box}, FillRule::Winding, canvas.bounds(), canvas.budget());
        canvas.fillRegion(boxRegion, Paint::solid(paint.background), kRop2CopyPen);
    }
    // Glyphs and the decoration bars are filled apart: a bar's direction
    // need not agree with the glyphs' outer contours.
    ScanRegion ink =
        FillPolygons(set.glyphContours, FillRule::Winding, canvas.bounds(), canvas.budget());
    if (!set.bars.empty())
        ink = ink.combined(
            FillPolygons(set.bars, FillRule::Alternate, canvas.bounds(), canvas.budget()),
            RegionOp::Or);
    canvas.fillRegion(ink, Paint::solid(paint.colour), paint.rop2);
    return set.width;
}
