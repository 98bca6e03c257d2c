// The lists and metrics the Windows outline-font call gives, from FreeType
// outlines of the face fontconfig picks, in the same units (em height 1.0).
#include "platform/GlyphOutlines.h"

#include "platform/GLInclude.h"
#include "platform/linux/GlyphFace.h"

namespace {

void CompileList(const GlyphMesh& mesh, int format, float advance) {
    if (format == GLYPH_FORMAT_LINES) {
        glNormal3f(0.0f, 0.0f, 1.0f);
        for (const GlyphContour& c : mesh.contours) {
            glBegin(GL_LINE_LOOP);
            for (const GlyphPoint& p : c) glVertex3d(p.x, p.y, 0.0);
            glEnd();
        }
    } else if (!mesh.triangles.empty()) {
        glBegin(GL_TRIANGLES);
        for (const GlyphVertex& v : mesh.triangles) {
            glNormal3f(v.nx, v.ny, v.nz);
            glVertex3f(v.x, v.y, v.z);
        }
        glEnd();
    }
    glTranslatef(advance, 0.0f, 0.0f);
}

}  // namespace

bool PlatformBuildGlyphLists(const GlyphListRequest& request, GlyphMetricsFloat* metrics, std::string& error) {
    GlyphFace face;
    if (!face.Open(request.faceName, request.weight, error)) return false;
    for (uint32_t i = 0; i < request.count; ++i) {
        GlyphMesh mesh;
        face.Build(static_cast<uint8_t>(request.firstCode + i), request.deviation, request.extrusion, mesh,
                   metrics[i]);
        glNewList(request.listBase + i, GL_COMPILE);
        CompileList(mesh, request.format, metrics[i].cellIncX);
        glEndList();
    }
    return true;
}
