#include "scene/CEmitter.h"

#include <cmath>
#include <new>

#include "platform/GLInclude.h"
#include "xlib/XException.h"
#include "xlib/XRandom.h"

float g_SinTable[361];
float g_CosTable[361];

namespace {
constexpr double kDegToRad = 0.017453292519943295;
// The single-precision value of 1/32767: two draws apart give -1..1, triangular.
constexpr float kInvRandMax = 3.0518509447574615e-05f;

int g_RotationSense = 1;

// The two draws are sequenced: the first is the one added.
float SpreadSample() {
    int first = XRandom();
    int second = XRandom();
    return static_cast<float>(first - second) * kInvRandMax;
}

float Vary(float base, float variance) { return base + SpreadSample() * variance; }

float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }
}  // namespace

void FillSinCosTables() {
    for (int i = 0; i <= 360; ++i) {
        g_SinTable[i] = static_cast<float>(std::sin(i * kDegToRad));
        g_CosTable[i] = static_cast<float>(std::cos(i * kDegToRad));
    }
}

void SetRotationSense(int sense) { g_RotationSense = sense == 1 ? 1 : -1; }

int GetRotationSense() { return g_RotationSense; }

void RotateVector(const Vector3& v, float ax, float ay, float az, Vector3& out) {
    if (ax == 0.0f && ay == 0.0f && az == 0.0f) {
        out = v;
        return;
    }
    const double k = g_RotationSense;
    double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    auto multiply = [&m](const double r[3][3]) {
        double t[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) t[i][j] = m[i][0] * r[0][j] + m[i][1] * r[1][j] + m[i][2] * r[2][j];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) m[i][j] = t[i][j];
    };
    if (ax != 0.0f) {
        double c = std::cos(ax * kDegToRad), s = std::sin(ax * kDegToRad);
        const double r[3][3] = {{1, 0, 0}, {0, c, k * s}, {0, -k * s, c}};
        multiply(r);
    }
    if (ay != 0.0f) {
        double c = std::cos(ay * kDegToRad), s = std::sin(ay * kDegToRad);
        const double r[3][3] = {{c, 0, -k * s}, {0, 1, 0}, {k * s, 0, c}};
        multiply(r);
    }
    if (az != 0.0f) {
        double c = std::cos(az * kDegToRad), s = std::sin(az * kDegToRad);
        const double r[3][3] = {{c, k * s, 0}, {-k * s, c, 0}, {0, 0, 1}};
        multiply(r);
    }
    Vector3 r;
    r.x = static_cast<float>(m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z);
    r.y = static_cast<float>(m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z);
    r.z = static_cast<float>(m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z);
    out = r;
}

CParticle::CParticle()
    : colour{1.0f, 0.0f, 0.0f, 1.0f},
      colourDelta{0.0f, 0.0f, 0.0f, 0.0f},
      age(-1.0f),
      life(0.0f),
      size(0.2f),
      sizeDelta(0.0f) {}

CEmitter::CEmitter() = default;

CEmitter::~CEmitter() {
    XGuard("CEmitter destructor", [&] { Destroy(); });
}

void CEmitter::Create(int capacity) {
    XGuard("CEmitter::Create", [&] {
        Destroy();
        m_Rate = 20;
        m_LiveCount = 0;
        m_PrevPosition = Vector3();
        m_Position = Vector3();
        m_Direction = Vector3(0.0f, 1.0f, 0.0f);
        SetSize(0.08f, 0.05f, 0.4f);
        SetColours(0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.2f, 0.2f, 0.0f, 0.0f, 0.0f, 1.0f, 0.2f);
        SetSpeed(0.3f, 0.1f);
        SetLife(4.0f, 1.5f);
        m_Spread = 70.0f;
        m_Accumulator = 0.0f;
        m_Shape = 0;
        m_Segments = 3;
        if (capacity <= 0) return;
        m_Particles = new (std::nothrow) CParticle[static_cast<size_t>(capacity)];
        if (!m_Particles) return;
        m_Capacity = capacity;
        for (int i = 0; i < m_Capacity; ++i) m_Particles[i].emitter = this;
    });
}

void CEmitter::Destroy() {
    delete[] m_Particles;
    m_Particles = nullptr;
    m_Capacity = 0;
    m_LiveCount = 0;
}

void CEmitter::SetPosition(float x, float y, float z) {
    m_PrevPosition = m_Position;
    m_Position = Vector3(x, y, z);
}

void CEmitter::SetRate(float rate) { m_Rate = rate > 0.0f ? static_cast<unsigned>(rate) : 0u; }

void CEmitter::SetDirection(const Vector3& direction) { m_Direction = direction; }

void CEmitter::SetSize(float start, float variance, float end) {
    m_SizeStart = start;
    m_SizeVariance = variance;
    m_SizeEnd = end;
}

void CEmitter::SetColours(float startR, float startG, float startB, float startA, float varR, float varG, float varB,
                          float varA, float endR, float endG, float endB, float endA) {
    const float start[4] = {startR, startG, startB, startA};
    const float var[4] = {varR, varG, varB, varA};
    const float end[4] = {endR, endG, endB, endA};
    for (int i = 0; i < 4; ++i) {
        m_ColourStart[i] = start[i];
        m_ColourVariance[i] = var[i];
        m_ColourEnd[i] = end[i];
    }
}

void CEmitter::SetSpeed(float speed, float variance) {
    m_Speed = speed;
    m_SpeedVariance = variance;
}

void CEmitter::SetLife(float life, float variance) {
    m_Life = life;
    m_LifeVariance = variance;
}

void CEmitter::SetSpread(float degrees) { m_Spread = degrees; }

void CEmitter::SetShape(uint8_t shape, uint8_t segments) {
    m_Shape = shape;
    m_Segments = segments == 0 ? 1 : segments;
}

// The order of the random draws below is part of the emitter's behaviour:
// the same seed must give the same particles on every platform.
void CEmitter::Birth(CParticle& p, float dt) {
    p.age = 0.0f;
    p.life = Clamp(Vary(m_Life, m_LifeVariance), 0.1f, 10.0f);
    for (int i = 0; i < 4; ++i) {
        p.colour[i] = Clamp(Vary(m_ColourStart[i], m_ColourVariance[i]), 0.0f, 1.0f);
        p.colourDelta[i] = (m_ColourEnd[i] - p.colour[i]) / p.life;
    }
    p.size = Clamp(Vary(m_SizeStart, m_SizeVariance), 0.001f, 10.0f);
    p.sizeDelta = (m_SizeEnd - p.size) / p.life;

    // Scattered along the emitter's last move, reaching back up to one move more.
    Vector3 emitterVelocity = (m_Position - m_PrevPosition) / dt;
    float s = SpreadSample();
    p.position = m_PrevPosition + emitterVelocity * s * dt;
    p.prevPosition = m_Position;

    float angles[3];
    for (float& angle : angles) {
        float s1 = SpreadSample();
        float s2 = SpreadSample();
        angle = 0.5f * m_Spread * (s1 - s2);
    }
    Vector3 direction;
    RotateVector(m_Direction, angles[0], angles[1], angles[2], direction);

    float speed = Clamp(Vary(m_Speed, m_SpeedVariance), 0.0f, 250.0f);
    p.velocity = direction * speed;
    p.emitter = this;
}

void CEmitter::Step(CParticle& p, float dt) {
    p.age += dt;
    if (p.age >= p.life) {
        p.age = -1.0f;
        return;
    }
    p.prevPosition = p.position;
    p.position += p.velocity * dt;
    for (int i = 0; i < 4; ++i) p.colour[i] += p.colourDelta[i] * dt;
    p.size += p.sizeDelta * dt;
}

bool CEmitter::Update(float dt) {
    XGuard("CEmitter::Update", [&] {
        m_LiveCount = 0;
        for (int i = 0; i < m_Capacity; ++i) {
            CParticle& p = m_Particles[i];
            if (p.age < 0.0f) continue;
            Step(p, dt);
            if (p.age >= 0.0f) ++m_LiveCount;
        }

        m_Accumulator += dt * static_cast<float>(m_Rate);
        int due = static_cast<int>(m_Accumulator);
        m_Accumulator -= static_cast<float>(due);

        for (int i = 0; i < m_Capacity && due > 0; ++i) {
            CParticle& p = m_Particles[i];
            if (p.age >= 0.0f) continue;
            Birth(p, dt);
            --due;
        }
        m_PrevPosition = m_Position;
    });
    return true;
}

int CEmitter::TrianglesPerParticle() const {
    if (m_Shape != 0 || m_Segments == 0) return 0;
    return 360 / (360 / m_Segments) + 1;
}

void CEmitter::Draw(uint8_t frontFaceCcw) {
    XGuard("CEmitter::Draw", [&] {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glDepthMask(GL_FALSE);
        glDisable(GL_LIGHTING);
        glShadeModel(GL_SMOOTH);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glFrontFace(frontFaceCcw == 1 ? GL_CCW : GL_CW);
        glCullFace(GL_BACK);
        glEnable(GL_CULL_FACE);

        const int step = 360 / (m_Segments ? m_Segments : 1);
        if (m_Shape == 0) {
            glBegin(GL_TRIANGLES);
            for (int i = 0; i < m_Capacity; ++i) {
                const CParticle& p = m_Particles[i];
                if (p.age < 0.0f) continue;
                const float r = p.size;
                float prevX = r, prevY = 0.0f;
                for (int theta = 0; theta <= 360; theta += step) {
                    float curX = g_CosTable[theta] * r;
                    float curY = g_SinTable[theta] * r;
                    glColor4f(p.colour[0], p.colour[1], p.colour[2], p.colour[3]);
                    glVertex3f(p.position.x, p.position.y, p.position.z);
                    glColor4f(0.0f, 0.0f, 0.0f, 0.0f);
                    glVertex3f(p.position.x + curX, p.position.y + curY, p.position.z);
                    glVertex3f(p.position.x + prevX, p.position.y + prevY, p.position.z);
                    prevX = curX;
                    prevY = curY;
                }
            }
            glEnd();
        }
        glPopAttrib();
    });
}
