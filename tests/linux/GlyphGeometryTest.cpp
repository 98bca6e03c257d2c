#include "platform/linux/GlyphFace.h"
#include "platform/linux/GlyphGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <tuple>

namespace {

GlyphPoint Bezier(const std::vector<GlyphPoint>& p, double t) {
    std::vector<GlyphPoint> q = p;   // de Casteljau
    for (size_t n = q.size(); n > 1; --n)
        for (size_t i = 0; i + 1 < n; ++i) q[i] = {q[i].x + t * (q[i + 1].x - q[i].x), q[i].y + t * (q[i + 1].y - q[i].y)};
    return q[0];
}

double SegmentDistance(GlyphPoint p, GlyphPoint a, GlyphPoint b) {
    double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0.0;
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

double PolylineDistance(GlyphPoint p, const std::vector<GlyphPoint>& line) {
    double best = 1e30;
    for (size_t i = 0; i + 1 < line.size(); ++i) best = std::min(best, SegmentDistance(p, line[i], line[i + 1]));
    return best;
}

}  // namespace

TEST(GlyphGeometry, FlatteningStaysWithinTheDeviation) {
    struct Row { std::vector<GlyphPoint> control; double deviation; } rows[] = {
        {{{0, 0}, {0.5, 1}, {1, 0}}, 0.5},
        {{{0, 0}, {0.5, 1}, {1, 0}}, 0.01},
        {{{0, 0}, {0.5, 1}, {1, 0}}, 0.0005},
        {{{0.1, 0.7}, {0.9, 0.7}, {0.9, 0.0}}, 0.002},
        {{{0, 0}, {0, 1}, {1, 1}, {1, 0}}, 0.05},
        {{{0, 0}, {0, 1}, {1, 1}, {1, 0}}, 0.001},
        {{{0, 0}, {2, 1}, {-1, 1}, {1, 0}}, 0.003},   // a loop
        {{{0, 0}, {0.3, 0.001}, {0.7, -0.001}, {1, 0}}, 0.5},
        {{{0, 0}, {0.5, 1}, {1, 0}}, 0.0},            // zero means the finest step
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << "degree " << r.control.size() - 1 << ", deviation " << r.deviation);
        std::vector<GlyphPoint> line = {r.control.front()};
        if (r.control.size() == 3)
            FlattenQuadratic(r.control[0], r.control[1], r.control[2], r.deviation, line);
        else
            FlattenCubic(r.control[0], r.control[1], r.control[2], r.control[3], r.deviation, line);
        double tol = std::max(r.deviation, kMinGlyphDeviation) + 1e-9;
        ASSERT_GE(line.size(), 2u);
        EXPECT_DOUBLE_EQ(r.control.back().x, line.back().x);
        EXPECT_DOUBLE_EQ(r.control.back().y, line.back().y);
        // Every point of the curve near the polyline, and every point of the polyline near the curve.
        std::vector<GlyphPoint> curve;
        for (int i = 0; i <= 4000; ++i) curve.push_back(Bezier(r.control, i / 4000.0));
        double worst = 0;
        for (const GlyphPoint& p : curve) worst = std::max(worst, PolylineDistance(p, line));
        EXPECT_LE(worst, tol);
        worst = 0;
        for (size_t i = 0; i + 1 < line.size(); ++i)
            for (int k = 0; k <= 20; ++k) {
                GlyphPoint p = {line[i].x + k / 20.0 * (line[i + 1].x - line[i].x),
                                line[i].y + k / 20.0 * (line[i + 1].y - line[i].y)};
                worst = std::max(worst, PolylineDistance(p, curve));
            }
        EXPECT_LE(worst, tol + 0.001);   // plus the spacing of the curve samples
        if (r.deviation >= 0.5) {
            EXPECT_LE(line.size(), 3u) << "a coarse deviation keeps few points";
        }
    }
}

TEST(GlyphGeometry, BadDeviationStillEnds) {
    std::vector<GlyphPoint> line;
    FlattenQuadratic({0, 0}, {0.5, 1}, {1, 0}, std::nan(""), line);
    FlattenCubic({0, 0}, {0, 1}, {1, 1}, {1, 0}, -1.0, line);
    EXPECT_LT(line.size(), 70000u);
    EXPECT_GT(line.size(), 10u);
}

TEST(GlyphGeometry, CleaningDropsRepeatsAndDegenerateContours) {
    std::vector<GlyphContour> contours = {
        {{0, 0}, {1, 0}, {1, 0}, {1, 1}, {0, 0}},   // closing copy and a repeat
        {{2, 2}, {3, 3}, {2, 2}},                    // two points only
    };
    CleanContours(contours);
    ASSERT_EQ(1u, contours.size());
    EXPECT_EQ(3u, contours[0].size());
    EXPECT_DOUBLE_EQ(0.5, ContourArea(contours[0]));
}

namespace {

struct SolidCheck {
    bool closed = true;
    bool outward = true;
    double volume = 0, frontArea = 0;
    float zMin = 1e9f, zMax = -1e9f;
};

// Every edge must be met once in each direction (a closed, consistently
// wound surface); every stored normal must agree with its triangle's winding.
SolidCheck CheckSolid(const GlyphMesh& mesh) {
    SolidCheck c;
    std::map<std::tuple<float, float, float, float, float, float>, int> edges;
    for (size_t i = 0; i + 2 < mesh.triangles.size(); i += 3) {
        const GlyphVertex* v[3] = {&mesh.triangles[i], &mesh.triangles[i + 1], &mesh.triangles[i + 2]};
        double ux = v[1]->x - v[0]->x, uy = v[1]->y - v[0]->y, uz = v[1]->z - v[0]->z;
        double wx = v[2]->x - v[0]->x, wy = v[2]->y - v[0]->y, wz = v[2]->z - v[0]->z;
        double nx = uy * wz - uz * wy, ny = uz * wx - ux * wz, nz = ux * wy - uy * wx;
        double len = std::sqrt(nx * nx + ny * ny + nz * nz);
        if (len > 1e-12) {
            double dot = (nx * v[0]->nx + ny * v[0]->ny + nz * v[0]->nz) / len;
            if (dot < 0.99) c.outward = false;
        }
        if (v[0]->nz > 0.5f) c.frontArea += len / 2;
        c.volume += (v[0]->x * (v[1]->y * v[2]->z - v[1]->z * v[2]->y) - v[0]->y * (v[1]->x * v[2]->z - v[1]->z * v[2]->x) +
                     v[0]->z * (v[1]->x * v[2]->y - v[1]->y * v[2]->x)) / 6.0;
        for (int k = 0; k < 3; ++k) {
            const GlyphVertex* a = v[k];
            const GlyphVertex* b = v[(k + 1) % 3];
            edges[{a->x, a->y, a->z, b->x, b->y, b->z}] += 1;
            edges[{b->x, b->y, b->z, a->x, a->y, a->z}] -= 1;
            c.zMin = std::min(c.zMin, a->z);
            c.zMax = std::max(c.zMax, a->z);
        }
    }
    for (const auto& e : edges)
        if (e.second != 0) c.closed = false;
    return c;
}

GlyphContour Square(double x0, double y0, double x1, double y1) { return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}; }

GlyphContour Reversed(GlyphContour c) {
    std::reverse(c.begin(), c.end());
    return c;
}

}  // namespace

TEST(GlyphGeometry, SlabIsClosedWithOutwardNormals) {
    // A frame: an outer square with a square hole, filled region on the left.
    std::vector<GlyphContour> contours = {Square(0, 0, 1, 1), Reversed(Square(0.25, 0.25, 0.75, 0.75))};
    GlyphMesh mesh;
    ASSERT_TRUE(BuildGlyphSlab(contours, 0.05, mesh));
    SolidCheck c = CheckSolid(mesh);
    EXPECT_TRUE(c.closed);
    EXPECT_TRUE(c.outward);
    EXPECT_NEAR(0.75, c.frontArea, 1e-6);
    EXPECT_NEAR(0.75 * 0.05, c.volume, 1e-6);   // positive only when the normals point out
    EXPECT_FLOAT_EQ(-0.05f, c.zMin);
    EXPECT_FLOAT_EQ(0.0f, c.zMax);
}

TEST(GlyphGeometry, FlatGlyphHasOnlyItsFrontFace) {
    GlyphMesh mesh;
    ASSERT_TRUE(BuildGlyphSlab({Square(0, 0, 2, 1)}, 0.0, mesh));
    SolidCheck c = CheckSolid(mesh);
    EXPECT_TRUE(c.outward);
    EXPECT_NEAR(2.0, c.frontArea, 1e-6);
    for (const GlyphVertex& v : mesh.triangles) EXPECT_EQ(1.0f, v.nz);
    EXPECT_TRUE(BuildGlyphSlab({}, 0.05, mesh));
    EXPECT_TRUE(mesh.triangles.empty());
}

TEST(GlyphGeometry, OverlappingContoursAreUnited) {
    GlyphMesh mesh;
    ASSERT_TRUE(BuildGlyphSlab({Square(0, 0, 2, 2), Square(1, 1, 3, 3)}, 0.0, mesh));
    EXPECT_NEAR(7.0, CheckSolid(mesh).frontArea, 1e-6);
}

TEST(GlyphGeometry, RealGlyphsAreClosedSlabs) {
    GlyphFace face;
    std::string error;
    ASSERT_TRUE(face.Open("Arial", 700, error)) << error;
    EXPECT_NE(std::string::npos, face.FilePath().find("LiberationSans-Bold")) << face.FilePath();
    for (int code : {int('B'), int('O'), int('8'), int('%'), int('@'), int('W'), int('g'), 0xE9, 0x80}) {
        for (double deviation : {0.5, 0.01}) {
            SCOPED_TRACE(::testing::Message() << "code " << int(code) << " deviation " << deviation);
            GlyphMesh mesh;
            GlyphMetricsFloat m;
            ASSERT_TRUE(face.Build(static_cast<uint8_t>(code), deviation, 0.05, mesh, m));
            ASSERT_FALSE(mesh.triangles.empty());
            SolidCheck c = CheckSolid(mesh);
            EXPECT_TRUE(c.closed);
            EXPECT_TRUE(c.outward);
            EXPECT_NEAR(c.frontArea * 0.05, c.volume, 1e-6);
            EXPECT_GT(c.frontArea, 0.02);
            EXPECT_LT(c.frontArea, m.blackBoxX * m.blackBoxY);
            // The flattened outline stays inside the black box.
            for (const GlyphVertex& v : mesh.triangles) {
                EXPECT_GE(v.x, m.originX - 1e-5);
                EXPECT_LE(v.x, m.originX + m.blackBoxX + 1e-5);
                EXPECT_LE(v.y, m.originY + 1e-5);
                EXPECT_GE(v.y, m.originY - m.blackBoxY - 1e-5);
            }
        }
    }
    GlyphMesh space;
    GlyphMetricsFloat m;
    EXPECT_TRUE(face.Build(' ', 0.5, 0.05, space, m));
    EXPECT_TRUE(space.triangles.empty());
    EXPECT_GT(m.cellIncX, 0.2f);
}
