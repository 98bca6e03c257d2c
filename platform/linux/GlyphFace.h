// One font face, found by family name and weight, giving per-character meshes
// and metrics in em units (em height 1.0).
#pragma once

#include <cstdint>
#include <string>

#include "platform/GlyphOutlines.h"
#include "platform/linux/GlyphGeometry.h"

class GlyphFace {
public:
    GlyphFace();
    ~GlyphFace();
    GlyphFace(const GlyphFace&) = delete;
    GlyphFace& operator=(const GlyphFace&) = delete;

    // Finds the face through fontconfig ("Arial" bold gives a metric-compatible
    // substitute where Arial itself is absent). False with a reason in `error`.
    bool Open(const char* family, int weight, std::string& error);
    const std::string& FilePath() const { return m_Path; }
    // The glyph of an 8-bit character code (Windows code page 1252): curves
    // flattened to within `deviation`, extruded to z = -extrusion. Characters
    // without ink give an empty mesh and only an advance.
    bool Build(uint8_t code, double deviation, double extrusion, GlyphMesh& mesh, GlyphMetricsFloat& metrics) const;

private:
    struct Native;
    Native* m_Native;
    std::string m_Path;
};
