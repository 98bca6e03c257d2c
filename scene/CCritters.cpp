#include "scene/CCritters.h"

#include "xlib/SettingsTable.h"

#include <cmath>
#include <new>
#include <vector>

#include "xlib/ConfigSection.h"
#include "platform/GLInclude.h"
#include "xlib/XPaths.h"
#include "xlib/XRandom.h"

int32_t CCritters::s_Width = 0;
int32_t CCritters::s_Height = 0;
CTexture CCritters::s_Sprites[6];
CSpriteSheet CCritters::s_Sheet;

namespace {
// The colour key of the sprite pictures.
constexpr int32_t kKeyRed = 255, kKeyGreen = 1, kKeyBlue = 222;
// Half the visible extent of the scene at z = 0 for the frame loop's camera.
constexpr float kSceneHalfExtent = 4.19f;
// Degrees to radians as the critters have always turned: 3.14 / 180, not pi / 180.
constexpr double kDegToRad = 0.017444444444444446;

const char* const kSpriteBase[3] = {"ladybug", "wormbug", "beebug"};

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }
}  // namespace

// ---------------------------------------------------------------- CCritter

int32_t CCritter::FramePeriod(int32_t kind) {
    switch (kind) {
        case kCritterLadyBug: return 2;
        case kCritterWiggleWorm: return 5;
        case kCritterBuzzzyBee: return 1;
        default: return 0;
    }
}

void CCritter::Init(float x, float y, float halfSize, int32_t kind, int32_t speedSetting) {
    m_X = x;
    m_Y = y;
    m_HalfSize = halfSize;
    m_Kind = kind;
    m_Frame = XRandom() % 2;
    m_Tick = 0;
    m_Heading = (kind == kCritterLadyBug || kind == kCritterBuzzzyBee) ? XRandom() % 360 : 0;
    int32_t base = speedSetting == 0 ? 1 : speedSetting == 1 ? 3 : speedSetting == 2 ? 6 : speedSetting;
    m_Speed = base + XRandom() % 4;
}

void CCritter::Step() {
    switch (m_Kind) {
        case kCritterLadyBug:
        case kCritterBuzzzyBee: {
            double a = m_Heading * kDegToRad;
            Move(static_cast<float>(-m_Speed * std::sin(a)), static_cast<float>(m_Speed * std::cos(a)));
            break;
        }
        case kCritterWiggleWorm:
            Move(static_cast<float>(-m_Speed), 0.0f);
            break;
        default:
            break;
    }
}

void CCritter::Move(float dx, float dy) {
    if (m_Kind == kCritterInactive) return;
    if (++m_Tick >= FramePeriod(m_Kind)) {
        m_Frame = m_Frame ? 0 : 1;
        m_Tick = 0;
    }
    m_X += dx;
    m_Y += dy;
    const float w = static_cast<float>(CCritters::s_Width), h = static_cast<float>(CCritters::s_Height);
    if (m_X > w + kWrapMargin)
        m_X = -kWrapMargin;
    else if (m_X < -kWrapMargin)
        m_X = w + kWrapMargin;
    if (m_Y > h + kWrapMargin)
        m_Y = -kWrapMargin;
    else if (m_Y < -kWrapMargin)
        m_Y = h + kWrapMargin;
}

namespace {
// The critter's place in scene units. A window of 0 or 1 pixel would divide
// by zero; such a window shows nothing anyway.
void ScenePlace(float x, float y, float& sceneX, float& sceneY) {
    const float halfW = CCritters::SceneWidth() > 1 ? CCritters::SceneWidth() / 2.0f : 1.0f;
    const float halfH = CCritters::SceneHeight() > 1 ? CCritters::SceneHeight() / 2.0f : 1.0f;
    sceneX = (x - halfW) * (kSceneHalfExtent / halfW);
    sceneY = (y - halfH) * (kSceneHalfExtent / halfH);
}
}  // namespace

void CCritter::DrawSprite() const {
    float sceneX, sceneY;
    ScenePlace(m_X, m_Y, sceneX, sceneY);
    glPushMatrix();
    glTranslatef(sceneX, sceneY, 0.0f);
    glRotatef(static_cast<float>(m_Heading), 0.0f, 0.0f, 1.0f);
    // An empty sprite leaves no texture bound, as after the previous critter's
    // own clean-up, so it never borrows another kind's picture.
    CTexture& sprite = CCritters::s_Sprites[m_Kind * 2 + m_Frame];
    if (sprite.IsEmpty())
        CTexture::UnbindAll();
    else
        sprite.Bind();
    // The picture is mirrored in x here; the camera, looking along +z, mirrors
    // it back, so the sprite shows on screen as drawn in its file.
    const float s = m_HalfSize;
    glBegin(GL_QUADS);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(-s, -s, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(-s, s, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(s, s, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(s, -s, 0.0f);
    glEnd();
    glPopMatrix();
}

void CCritter::EmitQuad(const CSpriteSheet::Cell& cell) const {
    float sceneX, sceneY;
    ScenePlace(m_X, m_Y, sceneX, sceneY);
    // The turn as glRotatef makes it (single-precision sine and cosine of the
    // angle in radians), applied here so that the whole population is one batch.
    const float angle = static_cast<float>(m_Heading);
    const float sine = std::sin(static_cast<float>(angle * 3.14159265358979323846 / 180.0));
    const float cosine = std::cos(static_cast<float>(angle * 3.14159265358979323846 / 180.0));
    const float s = m_HalfSize;
    // DrawSprite's corners and texture coordinates, in its order.
    const float corners[4][2] = {{-s, -s}, {-s, s}, {s, s}, {s, -s}};
    const float texels[4][2] = {{cell.u1, cell.v0}, {cell.u1, cell.v1}, {cell.u0, cell.v1}, {cell.u0, cell.v0}};
    for (int i = 0; i < 4; ++i) {
        const float x = corners[i][0], y = corners[i][1];
        glTexCoord2f(texels[i][0], texels[i][1]);
        glVertex3f(sceneX + (cosine * x - sine * y), sceneY + (sine * x + cosine * y), 0.0f);
    }
}

namespace {
void BeginSpriteState() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    CTexture::SetEnvMode(GL_REPLACE);
}

void EndSpriteState() {
    CTexture::UnbindAll();
    glPopAttrib();
}
}  // namespace

void CCritter::Draw() {
    if (m_Kind == kCritterInactive) return;
    BeginSpriteState();
    DrawSprite();
    EndSpriteState();
}

// ---------------------------------------------------------------- CCritters

CCritters::CCritters() { Default(); }

namespace {
// The file may have been edited by hand: a size of 3 would divide by zero in
// Setup, and a huge count would exhaust memory.
constexpr Setting<CCritters> kRows[] = {
    SettingOf("NumCritters", &CCritters::NumCritters, 100u).Clamp(0, CCritters::kMaxCritters).Label("Critters"),
    SettingOf("WiggleWorms", &CCritters::WiggleWorms, true).Label("Wiggle worms"),
    SettingOf("BuzzzyBees", &CCritters::BuzzzyBees, true).Label("Buzzzy bees"),
    SettingOf("LadyBugs", &CCritters::LadyBugs, true).Label("Ladybugs"),
    SettingOf("Size", &CCritters::Size, 1).Clamp(0, CCritters::kMaxSize).Label("Critter size"),
    SettingOf("Speed", &CCritters::Speed, 1).Clamp(0, CCritters::kMaxSpeed).Label("Critter speed"),
};
constexpr SettingsTable<CCritters> kTable("Critters", kRows);
}  // namespace

const SettingsTable<CCritters>& CCritters::Settings() { return kTable; }

template class TabledModule<CCritters>;

void CCritters::Default() { kTable.Default(*this); }

void CCritters::Read(const XString& config) {
    XGuard("CCritters::Read", [&] {
        if (!kTable.Read(*this, config)) Default();
    });
}

void CCritters::Write(XString& out) const {
    XGuard("CCritters::Write", [&] { kTable.WriteSection(*this, out); });
}

void CCritters::Setup(const SceneContext& scene) { Setup(scene.width, scene.height); }

bool CCritters::InitStatic(const void*, int32_t, int32_t) {
    XGuard("CCritters::InitStatic", [&] {
        const std::string dir = InstallDir();
        for (int kind = 0; kind < 3; ++kind) {
            for (int frame = 0; frame < 2; ++frame) {
                XString name(dir.c_str());
                name += kSpriteBase[kind];
                name.Append(frame);
                name += ".bmp";
                // A missing picture leaves that sprite empty; the others are still made.
                s_Sprites[kind * 2 + frame].CreateColorKeyed(name, kKeyRed, kKeyGreen, kKeyBlue, GL_LINEAR,
                                                             GL_LINEAR);
            }
        }
        // Without every sprite the frame draws critter by critter, as a
        // missing picture has always been drawn.
        s_Sheet.Release();
        std::vector<XString> files;
        bool all = true;
        for (const CTexture& sprite : s_Sprites) {
            all = all && !sprite.IsEmpty();
            files.push_back(sprite.GetFileName());
        }
        if (all) s_Sheet.Create(files, kKeyRed, kKeyGreen, kKeyBlue);
    });
    return true;
}

void CCritters::ReleaseStatic() {
    XGuard("CCritters::ReleaseStatic", [&] {
        for (CTexture& sprite : s_Sprites) sprite.Release();
        s_Sheet.Release();
    });
}

void CCritters::KindMix(int32_t out[3]) const {
    out[0] = out[1] = out[2] = kCritterInactive;
    int n = 0;
    for (int pass = 0; pass < 3 && n < 3; ++pass) {
        if (LadyBugs && n < 3) out[n++] = kCritterLadyBug;
        if (WiggleWorms && n < 3) out[n++] = kCritterWiggleWorm;
        if (BuzzzyBees && n < 3) out[n++] = kCritterBuzzzyBee;
    }
}

void CCritters::Setup(int32_t width, int32_t height) {
    XGuard("CCritters::Setup", [&] {
        m_Width = width;
        m_Height = height;
        s_Width = width;
        s_Height = height;

        m_Critters.reset();
        m_PopulationSize = 0;
        const uint32_t count = NumCritters > kMaxCritters ? kMaxCritters : NumCritters;
        if (count) {
            m_Critters.reset(new CCritter[count]);  // std::bad_alloc ends up in the run log
            m_PopulationSize = count;
        }

        int32_t mix[3];
        KindMix(mix);
        const int32_t size = Clamp(Size, 0, kMaxSize);
        // A minimised preview can report a zero-sized window.
        const int32_t spanX = width > 0 ? width : 1, spanY = height > 0 ? height : 1;
        for (uint32_t k = 0; k < m_PopulationSize; ++k) {
            int32_t d = XRandom() % 4;
            float halfSize = 1.0f / static_cast<float>(d + 9 - 3 * size);
            float y = static_cast<float>(XRandom() % spanY);
            float x = static_cast<float>(XRandom() % spanX);
            m_Critters[k].Init(x, y, halfSize, mix[k % 3], Speed);
        }
    });
}

void CCritters::Process() {
    XGuard("CCritters::Process", [&] {
        for (uint32_t k = 0; k < m_PopulationSize; ++k) m_Critters[k].Step();
    });
}

void CCritters::Draw() {
    XGuard("CCritters::Draw", [&] {
        // One state set-up for the population, and with the sheet one batch:
        // per-critter state and texture changes cost a software rasterizer
        // far more than the quads themselves.
        glPushMatrix();
        BeginSpriteState();
        if (s_Sheet.IsEmpty()) {
            for (uint32_t k = 0; k < m_PopulationSize; ++k)
                if (m_Critters[k].m_Kind != kCritterInactive) m_Critters[k].DrawSprite();
        } else {
            s_Sheet.Bind();
            glBegin(GL_QUADS);
            for (uint32_t k = 0; k < m_PopulationSize; ++k) {
                const CCritter& c = m_Critters[k];
                if (c.m_Kind != kCritterInactive) c.EmitQuad(s_Sheet.CellOf(static_cast<size_t>(c.m_Kind * 2 + c.m_Frame)));
            }
            glEnd();
        }
        EndSpriteState();
        glPopMatrix();
    });
}
