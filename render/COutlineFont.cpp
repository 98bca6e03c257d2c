#include "render/COutlineFont.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/GLInclude.h"
#include "xlib/XException.h"

namespace {
// The glyph source failed: an operation failure in the 5000 range.
constexpr uint32_t kErrGlyphOutlines = 5201;
}

COutlineFont::COutlineFont()
    : m_ListBase(0), m_Metrics(), m_AlignH(ALIGN_CENTER), m_AlignV(ALIGN_VCENTER), m_AlignD(ALIGN_MIDDLE),
      m_Extrusion(0.0f), m_Created(0) {}

bool COutlineFont::Create(void* dc, const char* faceName, float extrusion, int format, float deviation,
                          int weight) {
    m_Pending = false;
    XGuard("COutlineFont::Create", [&] {
        if (m_Created) Delete();
        std::fill(std::begin(m_Metrics), std::end(m_Metrics), GlyphMetricsFloat{});
        m_Extrusion = extrusion;
        GLuint base = glGenLists(kListCount);
        if (base == 0) throw XException(kErrGlyphOutlines, "COutlineFont", "in Create glGenLists failed.");

        GlyphListRequest request;
        request.deviceContext = dc;
        request.faceName = faceName ? faceName : "";
        request.weight = weight;
        request.deviation = deviation;
        request.extrusion = extrusion;
        request.format = format;
        request.firstCode = 0;
        request.count = kGlyphCount;
        request.listBase = base;
        std::string error;
        if (!PlatformBuildGlyphLists(request, m_Metrics, error)) {
            // Nothing half-built survives a failure: the lists go, the metrics read zero.
            glDeleteLists(base, kListCount);
            std::fill(std::begin(m_Metrics), std::end(m_Metrics), GlyphMetricsFloat{});
            std::string detail = " " + error;
            throw XException(kErrGlyphOutlines, "COutlineFont", "in Create the glyph outlines failed:",
                             detail.c_str());
        }
        m_Metrics[255] = GlyphMetricsFloat{};
        m_ListBase = base;
        m_Created = 1;
    });
    return m_Created != 0;
}

void COutlineFont::CreateOnFirstUse(void* dc, const char* faceName, float extrusion, int format, float deviation,
                                    int weight) {
    XGuard("COutlineFont::CreateOnFirstUse", [&] {
        if (m_Created) Delete();
        m_Deferred = Deferred{dc, faceName ? faceName : "", extrusion, deviation, format, weight};
        m_Pending = true;
    });
}

void COutlineFont::SetAlignment(uint8_t horizontal, uint8_t vertical, uint8_t depth) {
    XGuard("COutlineFont::SetAlignment", [&] {
        m_AlignH = horizontal;
        m_AlignV = vertical;
        m_AlignD = depth;
    });
}

void COutlineFont::MeasureText(const char* text, float& width, float& height) const {
    width = 0.0f;
    height = 0.0f;
    if (!text) return;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        width += m_Metrics[*p].cellIncX;
        height = std::max(height, m_Metrics[*p].blackBoxY);
    }
}

void COutlineFont::GetAlignmentShift(const char* text, float shift[3]) const {
    float width, height;
    MeasureText(text, width, height);
    shift[0] = m_AlignH == ALIGN_RIGHT ? -width : m_AlignH == ALIGN_CENTER ? -width / 2.0f : 0.0f;
    shift[1] = m_AlignV == ALIGN_TOP ? -height : m_AlignV == ALIGN_VCENTER ? -height / 2.0f : 0.0f;
    shift[2] = m_AlignD == ALIGN_BACK ? m_Extrusion : m_AlignD == ALIGN_MIDDLE ? m_Extrusion / 2.0f : 0.0f;
}

void COutlineFont::DrawText(const char* text) {
    XGuard("COutlineFont::DrawText", [&] {
        if (!text || !*text) return;
        // Tried once: a face that cannot be had is logged by Create, not every frame.
        if (m_Pending) {
            const Deferred d = m_Deferred;
            Create(d.dc, d.faceName.c_str(), d.extrusion, d.format, d.deviation, d.weight);
        }
        if (!m_Created) return;
        size_t length = std::strlen(text);
        if (length == 0) return;
        float shift[3];
        GetAlignmentShift(text, shift);
        glPushMatrix();
        glTranslatef(shift[0], shift[1], shift[2]);
        glPushAttrib(GL_LIST_BIT);
        glListBase(m_ListBase);
        glCallLists(static_cast<GLsizei>(length), GL_UNSIGNED_BYTE, text);
        glPopAttrib();
        glPopMatrix();
    });
}

void COutlineFont::Delete() {
    XGuard("COutlineFont::Delete", [&] {
        if (m_Created) glDeleteLists(m_ListBase, kListCount);
        m_Pending = false;
        m_Created = 0;
        m_ListBase = 0;
    });
}
