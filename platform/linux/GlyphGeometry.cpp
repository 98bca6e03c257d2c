#include "platform/linux/GlyphGeometry.h"

#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>

namespace {

GlyphPoint Mid(GlyphPoint a, GlyphPoint b) { return {(a.x + b.x) / 2.0, (a.y + b.y) / 2.0}; }
double Length(double x, double y) { return std::sqrt(x * x + y * y); }

// Deep enough for any sane deviation; a bound against NaN input and runaway splitting.
constexpr int kMaxDepth = 16;

double Tolerance(double deviation) {
    return (deviation >= kMinGlyphDeviation) ? deviation : kMinGlyphDeviation;   // also catches NaN
}

// The curve minus its chord, both taken at the same parameter t, is a Bezier
// curve with zero end points; its largest length is bounded by its control
// points times the largest Bernstein weight (1/2 for a quadratic, 3/4 for a cubic).
void Quadratic(GlyphPoint p0, GlyphPoint p1, GlyphPoint p2, double tol, int depth, std::vector<GlyphPoint>& out) {
    double bound = 0.5 * Length(p1.x - (p0.x + p2.x) / 2.0, p1.y - (p0.y + p2.y) / 2.0);
    if (bound <= tol || depth >= kMaxDepth) {
        out.push_back(p2);
        return;
    }
    GlyphPoint a = Mid(p0, p1), b = Mid(p1, p2), m = Mid(a, b);
    Quadratic(p0, a, m, tol, depth + 1, out);
    Quadratic(m, b, p2, tol, depth + 1, out);
}

void Cubic(GlyphPoint p0, GlyphPoint p1, GlyphPoint p2, GlyphPoint p3, double tol, int depth,
           std::vector<GlyphPoint>& out) {
    double e1 = Length(p1.x - (2.0 * p0.x + p3.x) / 3.0, p1.y - (2.0 * p0.y + p3.y) / 3.0);
    double e2 = Length(p2.x - (p0.x + 2.0 * p3.x) / 3.0, p2.y - (p0.y + 2.0 * p3.y) / 3.0);
    if (0.75 * std::max(e1, e2) <= tol || depth >= kMaxDepth) {
        out.push_back(p3);
        return;
    }
    GlyphPoint a = Mid(p0, p1), b = Mid(p1, p2), c = Mid(p2, p3);
    GlyphPoint ab = Mid(a, b), bc = Mid(b, c), m = Mid(ab, bc);
    Cubic(p0, a, ab, m, tol, depth + 1, out);
    Cubic(m, bc, c, p3, tol, depth + 1, out);
}

// The tessellator hands out pointers into vertex storage that must stay put
// until the polygon ends, so vertices live in deques.
struct TessState {
    std::deque<std::array<double, 3>> vertices;
    std::vector<const double*> corners;   // output triangles, three pointers each
    bool failed = false;
};

void TessBegin(GLenum, void*) {}
void TessEnd(void*) {}
void TessEdgeFlag(GLboolean, void*) {}   // registering it makes the tessellator emit plain triangles
void TessVertex(void* vertex, void* data) {
    static_cast<TessState*>(data)->corners.push_back(static_cast<const double*>(vertex));
}
void TessCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* data) {
    TessState* state = static_cast<TessState*>(data);
    state->vertices.push_back({coords[0], coords[1], 0.0});
    *out = state->vertices.back().data();
}
void TessError(GLenum, void* data) { static_cast<TessState*>(data)->failed = true; }

GlyphVertex Vertex(double x, double y, double z, float nx, float ny, float nz) {
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z), nx, ny, nz};
}

}  // namespace

void FlattenQuadratic(GlyphPoint p0, GlyphPoint p1, GlyphPoint p2, double deviation, std::vector<GlyphPoint>& out) {
    Quadratic(p0, p1, p2, Tolerance(deviation), 0, out);
}

void FlattenCubic(GlyphPoint p0, GlyphPoint p1, GlyphPoint p2, GlyphPoint p3, double deviation,
                  std::vector<GlyphPoint>& out) {
    Cubic(p0, p1, p2, p3, Tolerance(deviation), 0, out);
}

void CleanContours(std::vector<GlyphContour>& contours) {
    for (GlyphContour& c : contours) {
        GlyphContour kept;
        for (const GlyphPoint& p : c)
            if (kept.empty() || p.x != kept.back().x || p.y != kept.back().y) kept.push_back(p);
        while (kept.size() > 1 && kept.back().x == kept.front().x && kept.back().y == kept.front().y)
            kept.pop_back();
        c.swap(kept);
    }
    contours.erase(std::remove_if(contours.begin(), contours.end(),
                                  [](const GlyphContour& c) { return c.size() < 3; }),
                   contours.end());
}

double ContourArea(const GlyphContour& contour) {
    double twice = 0.0;
    for (size_t i = 0, n = contour.size(); i < n; ++i) {
        const GlyphPoint& a = contour[i];
        const GlyphPoint& b = contour[(i + 1) % n];
        twice += a.x * b.y - b.x * a.y;
    }
    return twice / 2.0;
}

bool BuildGlyphSlab(const std::vector<GlyphContour>& contours, double extrusion, GlyphMesh& mesh) {
    mesh.triangles.clear();
    mesh.contours = contours;
    if (contours.empty()) return true;

    TessState state;
    GLUtesselator* tess = gluNewTess();
    if (!tess) return false;
    using Callback = void (*)();
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<Callback>(&TessBegin));
    gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<Callback>(&TessEnd));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<Callback>(&TessEdgeFlag));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<Callback>(&TessVertex));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<Callback>(&TessCombine));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<Callback>(&TessError));
    // Non-zero winding unites overlapping outer contours while the holes,
    // running the other way, stay empty.
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tess, 0.0, 0.0, 1.0);
    gluTessBeginPolygon(tess, &state);
    for (const GlyphContour& c : contours) {
        gluTessBeginContour(tess);
        for (const GlyphPoint& p : c) {
            state.vertices.push_back({p.x, p.y, 0.0});
            gluTessVertex(tess, state.vertices.back().data(), state.vertices.back().data());
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    if (state.failed || state.corners.size() % 3 != 0) return false;

    // The slab runs from z = 0 to z = -extrusion; whichever face is higher looks up.
    bool solid = extrusion != 0.0;
    double top = std::max(0.0, -extrusion), bottom = std::min(0.0, -extrusion);
    mesh.triangles.reserve(state.corners.size() * (solid ? 2 : 1));
    for (size_t i = 0; i + 2 < state.corners.size(); i += 3) {
        const double* a = state.corners[i];
        const double* b = state.corners[i + 1];
        const double* c = state.corners[i + 2];
        double twice = (b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]);
        // Collinear triangles stay: dropping one would leave a crack where its
        // long edge meets a neighbour.
        if (twice < 0.0) std::swap(b, c);   // counter-clockwise from +z, whatever the tessellator chose
        mesh.triangles.push_back(Vertex(a[0], a[1], top, 0, 0, 1));
        mesh.triangles.push_back(Vertex(b[0], b[1], top, 0, 0, 1));
        mesh.triangles.push_back(Vertex(c[0], c[1], top, 0, 0, 1));
        if (solid) {
            mesh.triangles.push_back(Vertex(a[0], a[1], bottom, 0, 0, -1));
            mesh.triangles.push_back(Vertex(c[0], c[1], bottom, 0, 0, -1));
            mesh.triangles.push_back(Vertex(b[0], b[1], bottom, 0, 0, -1));
        }
    }
    if (!solid) return true;

    // Side walls: with the filled region on the left of each edge, the outside
    // is on its right.
    for (const GlyphContour& c : contours) {
        for (size_t i = 0, n = c.size(); i < n; ++i) {
            GlyphPoint p = c[i], q = c[(i + 1) % n];
            double dx = q.x - p.x, dy = q.y - p.y, len = Length(dx, dy);
            if (len == 0.0) continue;
            float nx = static_cast<float>(dy / len), ny = static_cast<float>(-dx / len);
            mesh.triangles.push_back(Vertex(p.x, p.y, top, nx, ny, 0));
            mesh.triangles.push_back(Vertex(p.x, p.y, bottom, nx, ny, 0));
            mesh.triangles.push_back(Vertex(q.x, q.y, bottom, nx, ny, 0));
            mesh.triangles.push_back(Vertex(p.x, p.y, top, nx, ny, 0));
            mesh.triangles.push_back(Vertex(q.x, q.y, bottom, nx, ny, 0));
            mesh.triangles.push_back(Vertex(q.x, q.y, top, nx, ny, 0));
        }
    }
    return true;
}
