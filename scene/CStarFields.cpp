#include "scene/CStarFields.h"

#include "xlib/SettingsTable.h"

#include <cmath>
#include <cstdlib>
#include <new>

#include "xlib/ConfigSection.h"
#include "platform/GLInclude.h"
#include "xlib/XException.h"
#include "xlib/XRandom.h"

namespace {
// The single-precision value nearest 1/255.
constexpr float kByteToUnit = 0.003921568859368563f;
constexpr float kDimDivisor[5] = {1.0f, 1.0f, 1.2f, 1.4f, 1.6f};

struct Rgb {
    int r, g, b;
};

// Fixed colours of the one- and two-colour schemes (odd stars of the
// two-colour ones are always blue).
bool FixedColour(int32_t scheme, unsigned index, Rgb& c) {
    const bool even = (index % 2) == 0;
    switch (scheme) {
        case 1: c = {0, 0, 255}; return true;
        case 2: c = {255, 0, 0}; return true;
        case 3: c = {0, 255, 0}; return true;
        case 4: c = {255, 255, 255}; return true;
        case 5: c = {200, 200, 255}; return true;
        case 6: c = {255, 255, 0}; return true;
        case 7: c = {220, 0, 255}; return true;
        case 8: c = {0, 255, 255}; return true;
        case 9: c = {140, 0, 255}; return true;
        case 10: c = even ? Rgb{0, 255, 0} : Rgb{0, 0, 255}; return true;
        case 11: c = even ? Rgb{255, 255, 255} : Rgb{0, 0, 255}; return true;
        case 12: c = even ? Rgb{255, 0, 0} : Rgb{0, 0, 255}; return true;
        case 13: c = even ? Rgb{190, 0, 255} : Rgb{0, 0, 255}; return true;
        case 19: c = {255, 73, 193}; return true;
        default: return false;
    }
}

}  // namespace

// ------------------------------------------------------------------ CStarLayer

namespace {
// Zeroed by calloc rather than by writing: the pages of the capacity a field
// never reaches then stay untouched (eight layers of 9999 stars are 1.9 MB).
Star* ZeroedStars(size_t count) {
    void* p = std::calloc(count, sizeof(Star));
    if (!p) throw std::bad_alloc();
    return static_cast<Star*>(p);
}
}  // namespace

CStarLayer::CStarLayer() : m_Stars(ZeroedStars(kCapacity)) {
    Setup(true, 640, 480, 0, 0, kStarsHorizontal, 0, 0, false);
}

void CStarLayer::Setup(bool enabled, unsigned width, unsigned height, unsigned count, int32_t dimLevel, int32_t type,
                       int32_t scheme, int32_t speed, bool rotate) {
    m_Enabled = enabled;
    m_Width = width;
    m_Height = height;
    m_Count = count > kCapacity ? kCapacity : count;
    m_DimLevel = dimLevel;
    m_Type = type;
    m_Scheme = scheme;
    m_Speed = speed;
    m_Rotate = rotate;
    m_Angle = 0.0f;
    m_FrameCounter = 0;
    m_DriftDirection = 1;
    m_StreakLength = 2.5f;
    m_DriftVelocity = kDriftUnset;

    for (unsigned i = 0; i < m_Count; ++i) {
        Star& s = m_Stars[i];
        if (m_Type == kStarsWarp) {
            int mag = XRandom() % 5000 + 4;
            s.x = static_cast<float>(mag * 0.01);
            if (XRandom() % 2 == 1) s.x = -s.x;
            mag = XRandom() % 5000 + 4;
            s.y = static_cast<float>(mag * 0.01);
            if (XRandom() % 2 == 1) s.y = -s.y;
            s.z = static_cast<float>(XRandom() % 72 + 1);
        } else {
            // A zero-sized window (a collapsed preview) must not divide by zero.
            unsigned rx = static_cast<unsigned>(XRandom());
            unsigned ry = static_cast<unsigned>(XRandom());
            s.x = static_cast<float>(m_Width ? rx % m_Width : 0u);
            s.y = static_cast<float>(m_Height ? ry % m_Height : 0u);
            s.z = 0.0f;
        }
    }
    ColourStars();
}

void CStarLayer::ColourStars() {
    for (unsigned i = 0; i < m_Count; ++i) {
        Star& s = m_Stars[i];
        Rgb c;
        if (FixedColour(m_Scheme, i, c)) {
            s.red = static_cast<float>(c.r);
            s.green = static_cast<float>(c.g);
            s.blue = static_cast<float>(c.b);
        } else {
            switch (m_Scheme) {
                case 0:
                    s.red = static_cast<float>(XRandom() % 255 + 1);
                    s.green = static_cast<float>(XRandom() % 255 + 1);
                    s.blue = static_cast<float>(XRandom() % 255 + 1);
                    break;
                case 14:
                    s.red = static_cast<float>(XRandom() % 150);
                    s.green = static_cast<float>(XRandom() % 150);
                    s.blue = 255.0f;
                    break;
                case 15:
                    s.red = 255.0f;
                    s.green = static_cast<float>(XRandom() % 150);
                    s.blue = static_cast<float>(XRandom() % 150);
                    break;
                case 16:
                    s.red = static_cast<float>(XRandom() % 150);
                    s.green = 255.0f;
                    s.blue = static_cast<float>(XRandom() % 150);
                    break;
                case 17: {
                    float g = static_cast<float>(XRandom() % 150 + 105);
                    s.red = s.green = s.blue = g;
                    break;
                }
                case 18: {
                    float v = static_cast<float>(225 - XRandom() % 100);
                    s.red = s.green = v;
                    s.blue = 255.0f;
                    break;
                }
                default:
                    // An unknown scheme keeps whatever colours the stars had,
                    // already scaled once: leave them alone entirely.
                    continue;
            }
        }
        if (m_DimLevel >= 1 && m_DimLevel <= 4) {
            const float d = kDimDivisor[m_DimLevel];
            s.red /= d;
            s.green /= d;
            s.blue /= d;
        }
        s.red *= kByteToUnit;
        s.green *= kByteToUnit;
        s.blue *= kByteToUnit;
    }
}

void CStarLayer::Process(int32_t factor) {
    if (!m_Enabled) return;
    if (m_Type == kStarsWarp) {
        const float step = static_cast<float>(m_Speed) * 0.25f;
        for (unsigned i = 0; i < m_Count; ++i) {
            Star& s = m_Stars[i];
            s.z -= step;
            // Past the camera plane: back to the far end, keeping the overshoot.
            if (s.z <= -6.0f) s.z = 72.0f - s.z - 6.0f;
        }
        return;
    }

    // In 64 bits: a hand-edited speed near the 32-bit limit must not overflow.
    const float c = static_cast<float>(static_cast<int64_t>(factor) + m_Speed);
    if (m_DriftVelocity >= 1.0e6f) m_DriftVelocity = c;
    if (m_FrameCounter >= kReversalFrames) {
        m_DriftDirection = -m_DriftDirection;
        m_FrameCounter = 0;
    }
    m_DriftVelocity += m_DriftDirection > 0 ? 0.01f : -0.01f;
    if (m_DriftVelocity > c) m_DriftVelocity = c;
    if (m_DriftVelocity < -c) m_DriftVelocity = -c;
    const float e = m_DriftVelocity * 0.25f;

    if (m_Type == kStarsHorizontal) {
        const float w = static_cast<float>(m_Width);
        for (unsigned i = 0; i < m_Count; ++i) {
            float x = m_Stars[i].x - e;
            if (x < 0.0f)
                x = w - x;
            else if (x > w)
                x = x - w;
            m_Stars[i].x = x;
        }
    } else if (m_Type == kStarsVertical) {
        const float h = static_cast<float>(m_Height);
        for (unsigned i = 0; i < m_Count; ++i) {
            float y = m_Stars[i].y - e;
            if (y < 0.0f)
                y = h - y;
            else if (y > h)
                y = y - h;
            m_Stars[i].y = y;
        }
    }
    ++m_FrameCounter;
}

void CStarLayer::Rotate(float step, int32_t sense) {
    if (sense == 1)
        m_Angle += step;
    else
        m_Angle -= step;
    // A hand-edited speed of millions of degrees a frame: keep the angle a
    // small number rather than let it lose all precision.
    if (m_Angle >= 720.0f || m_Angle <= -720.0f) m_Angle = std::fmod(m_Angle, 360.0f);
    if (m_Angle >= 360.0f)
        m_Angle -= 360.0f;
    else if (m_Angle <= 0.0f)
        m_Angle += 360.0f;
}

void CStarLayer::DrawStreaks(float* scratch) const {
    if (!m_Enabled || m_Count == 0) return;
    glPushAttrib(GL_LIGHTING_BIT);
    glDisable(GL_LIGHTING);
    glShadeModel(GL_SMOOTH);
    glPushMatrix();
    if (m_Rotate && m_Angle != 0.0f) glRotatef(m_Angle, 0.0f, 0.0f, 1.0f);
    // One segment per star from its position, in its colour, to 2.5 units
    // further away, in black: colour and position interleaved, two vertices a star.
    float* v = scratch;
    for (unsigned i = 0; i < m_Count; ++i) {
        const Star& s = m_Stars[i];
        v[0] = s.red;
        v[1] = s.green;
        v[2] = s.blue;
        v[3] = s.x;
        v[4] = s.y;
        v[5] = s.z;
        v[6] = 0.0f;
        v[7] = 0.0f;
        v[8] = 0.0f;
        v[9] = s.x;
        v[10] = s.y;
        v[11] = s.z + m_StreakLength;
        v += 12;
    }
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glInterleavedArrays(GL_C3F_V3F, 0, scratch);
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(m_Count * 2));
    glPopClientAttrib();
    glPopMatrix();
    glPopAttrib();
}

void CStarLayer::DrawPoints(float* scratch) const {
    if (!m_Enabled || m_Count == 0) return;
    const unsigned hw = m_Width / 2, hh = m_Height / 2;
    const float w = static_cast<float>(hw ? hw : 1u);
    const float h = static_cast<float>(hh ? hh : 1u);
    for (unsigned i = 0; i < m_Count; ++i) {
        scratch[2 * i] = (m_Stars[i].x - w) / w;
        scratch[2 * i + 1] = (m_Stars[i].y - h) / h;
    }
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, scratch);
    glColorPointer(3, GL_FLOAT, sizeof(Star), &m_Stars[0].red);
    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(m_Count));
    glPopClientAttrib();
}

// ----------------------------------------------------------------- CStarFields

CStarFields::CStarFields() : m_Scratch(new float[CStarLayer::kScratchFloats]) {
    XGuard("CStarFields constructor", [&] {
        m_RotationSense = XRandom() % 2;
        Default();
    });
}

namespace {
constexpr Setting<CStarFields> kRows[] = {
    // The star switches accept exactly "true" in any letter case.
    SettingOf("Enabled", &CStarFields::Enabled, false).Exact().Label("Star field"),
    SettingOf("Type", &CStarFields::Type, kStarsWarp),
    SettingOf("Speed", &CStarFields::Speed, 3).Range(1, 20),
    SettingOf("Amount", &CStarFields::Amount, 1000),
    SettingOf("ColorScheme", &CStarFields::ColorScheme, 18).Range(0, kStarSchemeCount - 1).Label("Star colours"),
    SettingOf("RotateStars", &CStarFields::RotateStars, false).Exact(),
};
constexpr SettingsTable<CStarFields> kTable("Stars", kRows);
}  // namespace

const SettingsTable<CStarFields>& CStarFields::Settings() { return kTable; }

template class TabledModule<CStarFields>;

void CStarFields::Default() { kTable.Default(*this); }

void CStarFields::Read(const XString& config) {
    XGuard("CStarFields::Read", [&] {
        if (!kTable.Read(*this, config)) Default();
    });
}

void CStarFields::Write(XString& out) const {
    XGuard("CStarFields::Write", [&] { kTable.WriteSection(*this, out); });
}

void CStarFields::Setup(const SceneContext& scene) { Setup(static_cast<unsigned>(scene.width), static_cast<unsigned>(scene.height)); }

void CStarFields::Setup(unsigned width, unsigned height) {
    XGuard("CStarFields::Setup", [&] {
        m_Width = width;
        m_Height = height;
        // Four equal layers; the layers hold at most their capacity each, and
        // a negative amount from a hand-edited file means no stars.
        unsigned perLayer = Amount > 0 ? static_cast<unsigned>(Amount) / kLayers : 0u;
        for (int i = 0; i < kLayers; ++i) {
            int32_t dim = Type == kStarsWarp ? 0 : i + 1;
            m_Layers[i].Setup(Enabled, width, height, perLayer, dim, Type, ColorScheme, Speed, RotateStars);
        }
    });
}

void CStarFields::Process() {
    XGuard("CStarFields::Process", [&] {
        if (!Enabled) return;
        for (int i = 0; i < kLayers; ++i) m_Layers[i].Process(kLayers - i);
        if (Type == kStarsWarp) {
            for (int i = 0; i < kLayers; ++i) m_Layers[i].Rotate(static_cast<float>(Speed), m_RotationSense);
        }
    });
}

void CStarFields::Draw() {
    XGuard("CStarFields::Draw", [&] {
        if (!Enabled) return;
        if (Type == kStarsWarp) {
            for (int i = kLayers - 1; i >= 0; --i) m_Layers[i].DrawStreaks(m_Scratch.get());
            return;
        }
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glDisable(GL_LIGHTING);
        glDisable(GL_FOG);
        glDisable(GL_DITHER);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        // Both matrices kept: the scene's camera and projection are the
        // frame loop's, stated there once.
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        for (int i = kLayers - 1; i >= 0; --i) m_Layers[i].DrawPoints(m_Scratch.get());
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glPopAttrib();
    });
}
