// Extruded 3-D text: every character of a TrueType face compiled once into a
// display list, a string drawn as one list call per character.
#pragma once

#include <cstdint>
#include <string>

#include "platform/GlyphOutlines.h"

class COutlineFont {
public:
    // Alignment codes; callers and configuration pass the numbers literally.
    enum : uint8_t {
        ALIGN_LEFT = 0,        // the text starts at the origin
        ALIGN_RIGHT = 1,       // the text ends at the origin
        ALIGN_CENTER = 2,      // centred on the origin
        ALIGN_TOP = 3,         // the tallest glyph box hangs below the origin
        ALIGN_BASELINE = 4,    // the baseline is at the origin
        ALIGN_VCENTER = 5,     // the tallest glyph box is centred on the origin
        ALIGN_FRONT = 6,       // the slab lies behind the origin (z from 0 to -extrusion)
        ALIGN_BACK = 7,        // the slab lies in front of the origin
        ALIGN_MIDDLE = 8,      // the slab is centred on the origin
    };
    static constexpr int kListCount = 256;
    static constexpr int kGlyphCount = 255;   // codes 0..254 get outlines; 255 stays empty

    COutlineFont();
    // Leaves the lists alone: they belong to a context that may be gone by now.
    // Owners call Delete while their context is current.
    ~COutlineFont() = default;
    COutlineFont(const COutlineFont&) = delete;
    COutlineFont& operator=(const COutlineFont&) = delete;

    // Builds the lists and metrics; the OpenGL context must be current on this
    // thread. `dc` is the window's device context (ignored where the platform
    // needs none). Creating again replaces the lists. True when the lists exist.
    bool Create(void* dc, const char* faceName, float extrusion, int format, float deviation, int weight);
    // Create, put off until the first DrawText: a scene whose text never shows
    // never pays for the glyphs (tens of milliseconds and megabytes a face on
    // a software renderer). The context and `dc` must still be current and
    // valid then. A failure is logged then, once. Measurements read zero
    // until that first draw.
    void CreateOnFirstUse(void* dc, const char* faceName, float extrusion, int format, float deviation, int weight);
    void SetAlignment(uint8_t horizontal, uint8_t vertical, uint8_t depth);
    // Draws the zero-terminated text at the current matrix, shifted by the alignment.
    void DrawText(const char* text);
    void Delete();

    bool IsCreated() const { return m_Created != 0; }
    // Created, or to be created by the next DrawText.
    bool IsSetUp() const { return m_Created != 0 || m_Pending; }
    uint32_t GetListBase() const { return m_ListBase; }
    float GetExtrusion() const { return m_Extrusion; }
    const GlyphMetricsFloat& GetMetrics(unsigned char code) const { return m_Metrics[code]; }
    // Width (sum of advances) and height (tallest black box) of a text; 0 for null or empty.
    void MeasureText(const char* text, float& width, float& height) const;
    // The translation DrawText applies before the glyphs, for the current alignment.
    void GetAlignmentShift(const char* text, float shift[3]) const;

private:
    uint32_t m_ListBase;
    GlyphMetricsFloat m_Metrics[kListCount];
    uint8_t m_AlignH;
    uint8_t m_AlignV;
    uint8_t m_AlignD;
    float m_Extrusion;
    uint16_t m_Created;
    // What CreateOnFirstUse was given, while m_Pending.
    struct Deferred {
        void* dc = nullptr;
        std::string faceName;
        float extrusion = 0.0f, deviation = 0.0f;
        int format = 0, weight = 0;
    };
    bool m_Pending = false;
    Deferred m_Deferred;
};
