// Glyph outlines of a TrueType face as OpenGL display lists: the one piece of
// extruded text that depends on the operating system's font machinery.
#pragma once

#include <cstdint>
#include <string>

// One glyph's measurements, laid out like the platform's float glyph metrics
// (six floats), in units where the font's em height is 1.0.
struct GlyphMetricsFloat {
    float blackBoxX = 0.0f;   // width of the smallest box around the ink
    float blackBoxY = 0.0f;   // height of that box
    float originX = 0.0f;     // left edge of the box, relative to the glyph origin
    float originY = 0.0f;     // top edge of the box, relative to the baseline
    float cellIncX = 0.0f;    // advance to the next glyph origin
    float cellIncY = 0.0f;
};
static_assert(sizeof(GlyphMetricsFloat) == 6 * sizeof(float), "six packed floats");

// Geometry the lists hold.
enum : int { GLYPH_FORMAT_LINES = 0, GLYPH_FORMAT_POLYGONS = 1 };

struct GlyphListRequest {
    void* deviceContext = nullptr;   // the window's device context where the platform needs one
    const char* faceName = "";
    int weight = 400;                // 100..900, 400 regular, 700 bold
    float deviation = 0.0f;          // largest distance of a flattened curve from the true one, em units
    float extrusion = 0.0f;          // slab depth: front face at z = 0, back face at z = -extrusion
    int format = GLYPH_FORMAT_POLYGONS;
    uint32_t firstCode = 0;          // character codes firstCode .. firstCode + count - 1
    uint32_t count = 0;
    uint32_t listBase = 0;           // list listBase + i draws code firstCode + i
};

// Compiles one display list per character code (8-bit codes in the Windows ANSI
// code page 1252): the glyph as filled polygons in the x-y plane, baseline on
// y = 0, origin at the current position, normals for lighting, ending with a
// translation by the glyph's advance. Fills metrics[0 .. count-1].
// The OpenGL context must be current. Returns false, with the reason in
// `error`, when the face or its outlines cannot be had.
bool PlatformBuildGlyphLists(const GlyphListRequest& request, GlyphMetricsFloat* metrics, std::string& error);
