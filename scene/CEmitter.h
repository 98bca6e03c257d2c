// A small particle system: an emitter at a moving point releases particles at
// a steady rate in a cone around a direction; each flies straight, fading and
// growing from its birth colour and size towards the end ones, and is drawn as
// a soft disc with additive blending. Render thread only.
//
// Also here: the rotation helper the emitter and its owners share, and the
// whole-degree sine and cosine tables the discs take their rims from.
#pragma once

#include <cstdint>

#include "scene/Vector3.h"

// sin and cos of every whole degree 0..360, filled by FillSinCosTables when an
// instance initialises and read-only afterwards.
extern float g_SinTable[361];
extern float g_CosTable[361];
void FillSinCosTables();

// Process-wide sense of RotateVector: 1 turns clockwise about each axis (seen
// from its positive end), anything else sets -1, the usual counter-clockwise turn.
void SetRotationSense(int sense);
int GetRotationSense();

// v turned by ax, ay, az degrees about x, y and z (matrices Rx * Ry * Rz, the
// ones with a zero angle left out); all angles 0 give v unchanged.
void RotateVector(const Vector3& v, float ax, float ay, float az, Vector3& out);

class CEmitter;

class CParticle {
public:
    CParticle();

    bool IsLive() const { return age >= 0.0f; }

    CEmitter* emitter = nullptr;
    Vector3 prevPosition;
    Vector3 position;
    Vector3 velocity;
    float colour[4];
    float colourDelta[4];
    float age;    // seconds; -1 marks a free slot
    float life;   // age at which it dies
    float size;   // disc radius
    float sizeDelta;
};

class CEmitter {
public:
    CEmitter();
    ~CEmitter();
    CEmitter(const CEmitter&) = delete;
    CEmitter& operator=(const CEmitter&) = delete;

    // Defaults and a pool of `capacity` free particles; a failed allocation leaves capacity 0.
    void Create(int capacity);
    void Destroy();

    void SetPosition(float x, float y, float z);
    void SetRate(float rate);
    void SetDirection(const Vector3& direction);
    void SetSize(float start, float variance, float end);
    void SetColours(float startR, float startG, float startB, float startA, float varR, float varG, float varB,
                    float varA, float endR, float endG, float endB, float endA);
    void SetSpeed(float speed, float variance);
    void SetLife(float life, float variance);
    void SetSpread(float degrees);
    // Segments 0 would divide the circle by zero; it is taken as 1.
    void SetShape(uint8_t shape, uint8_t segments);

    // Ages, moves and retires the particles, then releases the new ones due.
    bool Update(float dt);
    // frontFaceCcw 1: counter-clockwise front faces; anything else clockwise.
    void Draw(uint8_t frontFaceCcw);

    // Triangles Draw emits per live particle for the current segments.
    int TrianglesPerParticle() const;

    int GetLiveCount() const { return m_LiveCount; }
    int GetCapacity() const { return m_Capacity; }
    unsigned GetRate() const { return m_Rate; }
    float GetAccumulator() const { return m_Accumulator; }
    uint8_t GetSegments() const { return m_Segments; }
    const Vector3& GetPosition() const { return m_Position; }
    const Vector3& GetPrevPosition() const { return m_PrevPosition; }
    const Vector3& GetDirection() const { return m_Direction; }
    const CParticle* GetParticles() const { return m_Particles; }

private:
    void Birth(CParticle& p, float dt);
    void Step(CParticle& p, float dt);

    unsigned m_Rate = 0;
    int m_LiveCount = 0;
    Vector3 m_PrevPosition;
    Vector3 m_Position;
    Vector3 m_Direction;
    float m_SizeStart = 0.0f, m_SizeVariance = 0.0f, m_SizeEnd = 0.0f;
    float m_ColourStart[4] = {0, 0, 0, 0};
    float m_ColourVariance[4] = {0, 0, 0, 0};
    float m_ColourEnd[4] = {0, 0, 0, 0};
    float m_Speed = 0.0f, m_SpeedVariance = 0.0f;
    float m_Life = 0.0f, m_LifeVariance = 0.0f;
    float m_Spread = 0.0f;
    float m_Accumulator = 0.0f;
    uint8_t m_Shape = 0;
    uint8_t m_Segments = 0;
    CParticle* m_Particles = nullptr;
    int m_Capacity = 0;
};
