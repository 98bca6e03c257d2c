// Turning glyph outlines into lit, extruded triangle meshes: curve flattening,
// tessellation of the faces and the side walls. No OpenGL context needed.
#pragma once

#include <vector>

struct GlyphPoint {
    double x = 0.0, y = 0.0;
};

// A closed polygon; the last point connects back to the first, which is not repeated.
using GlyphContour = std::vector<GlyphPoint>;

struct GlyphVertex {
    float x, y, z;
    float nx, ny, nz;
};

struct GlyphMesh {
    std::vector<GlyphVertex> triangles;   // three vertices per triangle, counter-clockwise seen from outside
    std::vector<GlyphContour> contours;   // the flattened outline, for line drawing
};

// Smallest deviation honoured: below it a curve would split into ever more pieces.
constexpr double kMinGlyphDeviation = 1.0 / 4096.0;

// Append the points of a curve from p0 (not appended) to its end point
// (appended), chosen so that no point of the polyline lies farther than
// `deviation` from the curve at the same parameter, nor the reverse.
void FlattenQuadratic(GlyphPoint p0, GlyphPoint p1, GlyphPoint p2, double deviation, std::vector<GlyphPoint>& out);
void FlattenCubic(GlyphPoint p0, GlyphPoint p1, GlyphPoint p2, GlyphPoint p3, double deviation,
                  std::vector<GlyphPoint>& out);

// Drops repeated points and the closing copy of the first point; contours left
// with fewer than three points go.
void CleanContours(std::vector<GlyphContour>& contours);
// Signed area (positive for counter-clockwise) of one contour.
double ContourArea(const GlyphContour& contour);

// Builds a solid from contours whose filled region lies to their left
// (counter-clockwise outer boundaries, clockwise holes): the face at z = 0 with
// normal +z and, for a non-zero extrusion, the face at z = -extrusion with normal
// -z plus side walls with outward normals. Overlapping contours are united.
// False when the tessellator rejects the outline.
bool BuildGlyphSlab(const std::vector<GlyphContour>& contours, double extrusion, GlyphMesh& mesh);
