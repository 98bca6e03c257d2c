// A font face found through fontconfig and read with FreeType, one character
// at a time as a flattened, tessellated and extruded mesh.
#include "platform/linux/GlyphFace.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BBOX_H

#include <algorithm>

#include "platform/linux/LateLibrary.h"

namespace {

// fontconfig and FreeType, loaded with the first text a run draws: the text
// overlays are off in the default scene, and linked the two would be mapped
// (with the libraries they bring) by every run.
#define FC_CALLS(X)                                                                                          \
    X(Init) X(PatternCreate) X(PatternAddString) X(PatternAddInteger) X(PatternAddBool) X(WeightFromOpenType) \
    X(ConfigSubstitute) X(DefaultSubstitute) X(FontMatch) X(PatternDestroy) X(PatternGetString)               \
    X(PatternGetInteger)
#define FC_CALLS_MEMBER(name) MG_LATE_MEMBER(Fc, name)
#define FC_CALLS_BIND(name) MG_LATE_BIND(Fc, name)
struct FcCalls {
    FC_CALLS(FC_CALLS_MEMBER)
};
#define FT_CALLS(X)                                                                                  \
    X(Init_FreeType) X(Done_FreeType) X(New_Face) X(Done_Face) X(Select_Charmap) X(Get_Char_Index) \
    X(Load_Glyph) X(Outline_Decompose) X(Outline_Get_Orientation) X(Outline_Get_BBox)
#define FT_CALLS_MEMBER(name) MG_LATE_MEMBER(FT_, name)
#define FT_CALLS_BIND(name) MG_LATE_BIND(FT_, name)
struct FtCalls {
    FT_CALLS(FT_CALLS_MEMBER)
};

// Null when the library or one of its calls cannot be had.
const FcCalls* Fc() {
    return LateCalls<FcCalls>("libfontconfig.so.1",
                              [](LateLibrary& lib, FcCalls& calls) { FC_CALLS(FC_CALLS_BIND) });
}
const FtCalls* Ft() {
    return LateCalls<FtCalls>("libfreetype.so.6", [](LateLibrary& lib, FtCalls& calls) { FT_CALLS(FT_CALLS_BIND) });
}
#undef FT_CALLS_BIND
#undef FT_CALLS_MEMBER
#undef FT_CALLS
#undef FC_CALLS_BIND
#undef FC_CALLS_MEMBER
#undef FC_CALLS

// Windows code page 1252 for 0x80..0x9F; the bytes it leaves undefined map to
// the C1 controls of the same value, as Windows' own conversion does.
const uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint32_t Cp1252ToUnicode(uint32_t code) {
    return (code >= 0x80 && code < 0xA0) ? kCp1252High[code - 0x80] : code;
}

// The font file fontconfig chooses for a family name at a weight (100..900).
bool FindFontFile(const char* family, int weight, std::string& path, int& index, std::string& error) {
    const FcCalls* fc = Fc();
    if (!fc) {
        error = "fontconfig (libfontconfig.so.1) could not be loaded";
        return false;
    }
    if (!fc->Init()) {
        error = "fontconfig could not start";
        return false;
    }
    FcPattern* pattern = fc->PatternCreate();
    fc->PatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    fc->PatternAddInteger(pattern, FC_WEIGHT, fc->WeightFromOpenType(std::clamp(weight <= 0 ? 400 : weight, 1, 1000)));
    fc->PatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    fc->PatternAddBool(pattern, FC_SCALABLE, FcTrue);
    fc->ConfigSubstitute(nullptr, pattern, FcMatchPattern);
    fc->DefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = fc->FontMatch(nullptr, pattern, &result);
    fc->PatternDestroy(pattern);
    bool found = false;
    FcChar8* file = nullptr;
    if (match && fc->PatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
        path = reinterpret_cast<const char*>(file);
        if (fc->PatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
        found = true;
    } else {
        error = std::string("no font file for \"") + family + "\"";
    }
    if (match) fc->PatternDestroy(match);
    return found;
}

// Collects the outline as closed polygons, already in em units and flattened.
struct Decomposer {
    double scale;
    double deviation;
    std::vector<GlyphContour> contours;
    GlyphPoint last;

    GlyphPoint At(const FT_Vector* v) const { return {v->x * scale, v->y * scale}; }

    static int MoveTo(const FT_Vector* to, void* user) {
        Decomposer* d = static_cast<Decomposer*>(user);
        d->last = d->At(to);
        d->contours.emplace_back();
        d->contours.back().push_back(d->last);
        return 0;
    }
    static int LineTo(const FT_Vector* to, void* user) {
        Decomposer* d = static_cast<Decomposer*>(user);
        d->last = d->At(to);
        d->contours.back().push_back(d->last);
        return 0;
    }
    static int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
        Decomposer* d = static_cast<Decomposer*>(user);
        GlyphPoint end = d->At(to);
        FlattenQuadratic(d->last, d->At(control), end, d->deviation, d->contours.back());
        d->last = end;
        return 0;
    }
    static int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
        Decomposer* d = static_cast<Decomposer*>(user);
        GlyphPoint end = d->At(to);
        FlattenCubic(d->last, d->At(c1), d->At(c2), end, d->deviation, d->contours.back());
        d->last = end;
        return 0;
    }
};

}  // namespace

struct GlyphFace::Native {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

GlyphFace::GlyphFace() : m_Native(new Native) {}

GlyphFace::~GlyphFace() {
    if (m_Native->face) Ft()->Done_Face(m_Native->face);
    if (m_Native->library) Ft()->Done_FreeType(m_Native->library);
    delete m_Native;
}

bool GlyphFace::Open(const char* family, int weight, std::string& error) {
    std::string path;
    int index = 0;
    if (!FindFontFile(family ? family : "", weight, path, index, error)) return false;
    // A library or a face is only ever held once FreeType is loaded.
    if (!Ft()) {
        error = "FreeType (libfreetype.so.6) could not be loaded";
        return false;
    }
    if (!m_Native->library && Ft()->Init_FreeType(&m_Native->library) != 0) {
        error = "FreeType could not start";
        return false;
    }
    if (m_Native->face) Ft()->Done_Face(m_Native->face);
    m_Native->face = nullptr;
    FT_Face face = nullptr;
    if (Ft()->New_Face(m_Native->library, path.c_str(), index, &face) != 0) {
        error = "cannot read " + path;
        return false;
    }
    if (!(face->face_flags & FT_FACE_FLAG_SCALABLE) || face->units_per_EM == 0) {
        error = path + " has no outlines";
        Ft()->Done_Face(face);
        return false;
    }
    Ft()->Select_Charmap(face, FT_ENCODING_UNICODE);
    m_Native->face = face;
    m_Path = path;
    return true;
}

bool GlyphFace::Build(uint8_t code, double deviation, double extrusion, GlyphMesh& mesh,
                      GlyphMetricsFloat& metrics) const {
    mesh = GlyphMesh{};
    metrics = GlyphMetricsFloat{};
    FT_Face face = m_Native->face;
    if (!face) return false;
    const double scale = 1.0 / face->units_per_EM;
    // A character the face lacks gets the face's missing-glyph shape, as on Windows.
    FT_UInt glyph = Ft()->Get_Char_Index(face, Cp1252ToUnicode(code));
    if (Ft()->Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return false;

    FT_Outline_Funcs funcs = {};
    funcs.move_to = &Decomposer::MoveTo;
    funcs.line_to = &Decomposer::LineTo;
    funcs.conic_to = &Decomposer::ConicTo;
    funcs.cubic_to = &Decomposer::CubicTo;
    FT_Outline& outline = face->glyph->outline;
    Decomposer d{scale, deviation, {}, {}};
    if (Ft()->Outline_Decompose(&outline, &funcs, &d) != 0) return false;
    CleanContours(d.contours);
    // TrueType fills to the right of a contour, PostScript to the left; the
    // mesh builder wants the filled region on the left.
    if (Ft()->Outline_Get_Orientation(&outline) == FT_ORIENTATION_FILL_RIGHT)
        for (GlyphContour& c : d.contours) std::reverse(c.begin(), c.end());
    bool built = BuildGlyphSlab(d.contours, extrusion, mesh);

    metrics.cellIncX = static_cast<float>(face->glyph->metrics.horiAdvance * scale);
    if (!d.contours.empty()) {
        FT_BBox box;
        Ft()->Outline_Get_BBox(&outline, &box);
        metrics.blackBoxX = static_cast<float>((box.xMax - box.xMin) * scale);
        metrics.blackBoxY = static_cast<float>((box.yMax - box.yMin) * scale);
        metrics.originX = static_cast<float>(box.xMin * scale);
        metrics.originY = static_cast<float>(box.yMax * scale);
    }
    return built;
}
