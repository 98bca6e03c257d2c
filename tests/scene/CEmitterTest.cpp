#include "scene/CEmitter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "xlib/XRandom.h"

namespace {
constexpr double kPi = 3.14159265358979323846;

// Rotation by `degrees` about a unit axis, counter-clockwise when seen from the
// axis' positive end (Rodrigues' formula), worked out independently of the
// matrices the emitter builds.
Vector3 Turn(const Vector3& v, double ux, double uy, double uz, double degrees) {
    double a = degrees * kPi / 180.0, c = std::cos(a), s = std::sin(a);
    double dot = ux * v.x + uy * v.y + uz * v.z;
    double cx = uy * v.z - uz * v.y, cy = uz * v.x - ux * v.z, cz = ux * v.y - uy * v.x;
    return Vector3(static_cast<float>(v.x * c + cx * s + ux * dot * (1 - c)),
                   static_cast<float>(v.y * c + cy * s + uy * dot * (1 - c)),
                   static_cast<float>(v.z * c + cz * s + uz * dot * (1 - c)));
}

void ExpectNear(const Vector3& want, const Vector3& got, float tol = 1e-5f) {
    EXPECT_NEAR(want.x, got.x, tol);
    EXPECT_NEAR(want.y, got.y, tol);
    EXPECT_NEAR(want.z, got.z, tol);
}

class RotationSense : public ::testing::Test {
protected:
    ~RotationSense() override { SetRotationSense(1); }
};

// An emitter as the owners use it: fixed dt 0.1, everything predictable.
std::unique_ptr<CEmitter> MakeEmitter(int capacity, float rate) {
    auto e = std::make_unique<CEmitter>();
    e->Create(capacity);
    e->SetRate(rate);
    e->SetLife(5.5f, 0.1f);
    e->SetSize(0.009f, 0.01f, 0.04f);
    e->SetSpread(25.0f);
    e->SetSpeed(0.22f, 0.05f);
    return e;
}

int LiveSlots(const CEmitter& e) {
    int n = 0;
    for (int i = 0; i < e.GetCapacity(); ++i) n += e.GetParticles()[i].IsLive() ? 1 : 0;
    return n;
}
}  // namespace

TEST(SinCosTables, WholeDegrees) {
    FillSinCosTables();
    EXPECT_FLOAT_EQ(0.0f, g_SinTable[0]);
    EXPECT_FLOAT_EQ(1.0f, g_CosTable[0]);
    EXPECT_FLOAT_EQ(1.0f, g_SinTable[90]);
    EXPECT_NEAR(0.0f, g_CosTable[90], 1e-7f);
    EXPECT_FLOAT_EQ(0.5f, g_SinTable[30]);
    EXPECT_FLOAT_EQ(-1.0f, g_CosTable[180]);
    EXPECT_FLOAT_EQ(1.0f, g_CosTable[360]);
    EXPECT_NEAR(0.0f, g_SinTable[360], 1e-7f);
    EXPECT_FLOAT_EQ(static_cast<float>(std::sin(51 * kPi / 180)), g_SinTable[51]);
}

TEST(Vector3, Arithmetic) {
    Vector3 a(1, 2, 3), b(4, -1, 0.5f);
    ExpectNear(Vector3(5, 1, 3.5f), a + b);
    ExpectNear(Vector3(-3, 3, 2.5f), a - b);
    ExpectNear(Vector3(2, 4, 6), a * 2.0f);
    ExpectNear(Vector3(0.5f, 1, 1.5f), a / 2.0f);
    Vector3 n(3, 0, 4);
    n.Normalise();
    ExpectNear(Vector3(0.6f, 0, 0.8f), n);
    Vector3 zero;
    zero.Normalise();  // stays zero rather than NaN
    ExpectNear(Vector3(), zero);
}

TEST_F(RotationSense, SetterKeepsOnlyPlusOrMinusOne) {
    EXPECT_EQ(1, GetRotationSense());
    for (int v : {-1, 0, 2, -7}) {
        SetRotationSense(v);
        EXPECT_EQ(-1, GetRotationSense()) << v;
    }
    SetRotationSense(1);
    EXPECT_EQ(1, GetRotationSense());
}

TEST_F(RotationSense, EachAxisAgainstIndependentRotation) {
    const Vector3 v(0.3f, -1.2f, 2.0f);
    struct Case {
        float ax, ay, az;
        double ux, uy, uz, angle;
    } cases[] = {
        {30, 0, 0, 1, 0, 0, 30}, {0, 45, 0, 0, 1, 0, 45}, {0, 0, 60, 0, 0, 1, 60},
        {-20, 0, 0, 1, 0, 0, -20}, {0, 170, 0, 0, 1, 0, 170}, {0, 0, -90, 0, 0, 1, -90},
    };
    for (const Case& c : cases) {
        Vector3 out;
        // -1: the usual counter-clockwise turn about each axis.
        SetRotationSense(-1);
        RotateVector(v, c.ax, c.ay, c.az, out);
        ExpectNear(Turn(v, c.ux, c.uy, c.uz, c.angle), out);
        // +1: the same angle the other way round.
        SetRotationSense(1);
        RotateVector(v, c.ax, c.ay, c.az, out);
        ExpectNear(Turn(v, c.ux, c.uy, c.uz, -c.angle), out);
    }
}

TEST_F(RotationSense, CombinedAnglesTurnAboutZThenYThenX) {
    const Vector3 v(1.0f, 2.0f, -0.5f);
    for (int sense : {-1, 1}) {
        SetRotationSense(sense);
        const double k = -sense;  // +1 for the counter-clockwise sense
        Vector3 out;
        RotateVector(v, 25, -40, 70, out);
        Vector3 want = Turn(Turn(Turn(v, 0, 0, 1, k * 70), 0, 1, 0, k * -40), 1, 0, 0, k * 25);
        ExpectNear(want, out);
        // Lengths survive every rotation.
        EXPECT_NEAR(v.Length(), out.Length(), 1e-5f);
    }
    Vector3 same;
    RotateVector(v, 0, 0, 0, same);
    EXPECT_EQ(v.x, same.x);
    EXPECT_EQ(v.y, same.y);
    EXPECT_EQ(v.z, same.z);
}

TEST(CEmitter, CreateSetsDefaultsAndFreePool) {
    CEmitter e;
    EXPECT_EQ(0, e.GetCapacity());
    e.Create(16);
    EXPECT_EQ(16, e.GetCapacity());
    EXPECT_EQ(20u, e.GetRate());
    EXPECT_EQ(3, e.GetSegments());
    ExpectNear(Vector3(0, 1, 0), e.GetDirection());
    for (int i = 0; i < 16; ++i) {
        const CParticle& p = e.GetParticles()[i];
        EXPECT_FALSE(p.IsLive());
        EXPECT_EQ(&e, p.emitter);
        EXPECT_FLOAT_EQ(0.2f, p.size);
        EXPECT_FLOAT_EQ(1.0f, p.colour[0]);
        EXPECT_FLOAT_EQ(0.0f, p.colour[1]);
    }
    e.Destroy();
    EXPECT_EQ(0, e.GetCapacity());
    // Updating an emitter without a pool is harmless.
    EXPECT_TRUE(e.Update(0.1f));
    EXPECT_EQ(0, e.GetLiveCount());
}

TEST(CEmitter, BirthsPerUpdate) {
    struct Case {
        float rate;
        int perUpdate;
    } cases[] = {{10, 1}, {40, 4}, {20, 2}};
    for (const Case& c : cases) {
        auto e = MakeEmitter(300, c.rate);
        for (int step = 1; step <= 10; ++step) {
            e->Update(0.1f);
            EXPECT_EQ(c.perUpdate * step, LiveSlots(*e)) << "rate " << c.rate << " step " << step;
            // Particles born in this update are not in the live count yet.
            EXPECT_EQ(c.perUpdate * (step - 1), e->GetLiveCount());
        }
    }
    // A fractional rate carries over: 5 per second at dt 0.1 is one every other update.
    auto half = MakeEmitter(10, 5);
    half->Update(0.1f);
    EXPECT_EQ(0, LiveSlots(*half));
    half->Update(0.1f);
    EXPECT_EQ(1, LiveSlots(*half));
    EXPECT_EQ(5u, [] {
        CEmitter e;
        e.Create(1);
        e.SetRate(5.9f);
        return e.GetRate();
    }());
}

TEST(CEmitter, FullPoolDropsBirthsAndKeepsOnlyTheFraction) {
    auto e = MakeEmitter(6, 45);
    for (int i = 0; i < 20; ++i) {
        e->Update(0.1f);
        EXPECT_LT(e->GetAccumulator(), 1.0f);
        EXPECT_GE(e->GetAccumulator(), 0.0f);
        EXPECT_LE(LiveSlots(*e), 6);
    }
    EXPECT_EQ(6, LiveSlots(*e));
    EXPECT_EQ(6, e->GetLiveCount());
}

TEST(CEmitter, ParticleDiesWhenItsAgeReachesItsLife) {
    auto e = MakeEmitter(4, 10);
    e->SetLife(5.5f, 0.0f);
    e->Update(0.1f);  // the birth
    const CParticle& p = e->GetParticles()[0];
    ASSERT_TRUE(p.IsLive());
    EXPECT_FLOAT_EQ(5.5f, p.life);
    e->SetRate(0);
    for (int step = 1; step <= 54; ++step) {
        e->Update(0.1f);
        ASSERT_TRUE(p.IsLive()) << step;
    }
    // The 55th step brings the age to 5.5 in exact arithmetic; summed in
    // single precision it is 5.4999995, so the particle goes one step later.
    e->Update(0.1f);
    EXPECT_NEAR(5.5f, p.age, 1e-5f);
    EXPECT_LT(p.age, 5.5f);
    e->Update(0.1f);
    EXPECT_FALSE(p.IsLive());
    EXPECT_EQ(-1.0f, p.age);
    EXPECT_EQ(0, e->GetLiveCount());

    // A life just under the float sum ends on the 55th step itself.
    auto f = MakeEmitter(4, 10);
    f->SetLife(5.49f, 0.0f);
    f->Update(0.1f);
    f->SetRate(0);
    for (int step = 1; step <= 55; ++step) f->Update(0.1f);
    EXPECT_FALSE(f->GetParticles()[0].IsLive());
}

TEST(CEmitter, BirthValuesAreClamped) {
    XSeedRandom(7);
    auto e = MakeEmitter(2000, 10000);
    // Start 0.95 with variance 0.2 can reach at most 1.0; -0.1 +- 0.05 never goes below 0.
    e->SetColours(0.95f, -0.1f, 0.5f, 1.0f, 0.2f, 0.05f, 0.0f, 0.0f, 0, 0, 0, 0);
    e->SetLife(0.05f, 0.0f);      // clamped up to 0.1
    e->SetSize(0.0f, 0.0f, 1.0f);  // clamped up to 0.001
    e->SetSpeed(-1.0f, 0.0f);      // no negative speeds
    e->Update(0.1f);
    int atOne = 0;
    for (int i = 0; i < 1000; ++i) {
        const CParticle& p = e->GetParticles()[i];
        ASSERT_TRUE(p.IsLive());
        EXPECT_LE(p.colour[0], 1.0f);
        EXPECT_GE(p.colour[0], 0.75f - 1e-6f);
        atOne += p.colour[0] == 1.0f ? 1 : 0;
        EXPECT_EQ(0.0f, p.colour[1]);
        EXPECT_FLOAT_EQ(0.1f, p.life);
        EXPECT_FLOAT_EQ(0.001f, p.size);
        EXPECT_FLOAT_EQ((1.0f - 0.001f) / 0.1f, p.sizeDelta);
        EXPECT_FLOAT_EQ((0.0f - p.colour[2]) / 0.1f, p.colourDelta[2]);
        ExpectNear(Vector3(), p.velocity);
    }
    EXPECT_GT(atOne, 100);  // a good share of births hits the clamp
}

TEST(CEmitter, SpreadZeroFliesAlongTheDirection) {
    auto e = MakeEmitter(50, 100);
    e->SetSpread(0.0f);
    e->SetSpeed(0.4f, 0.0f);
    e->SetDirection(Vector3(0.0f, 0.6f, -0.8f));
    e->Update(0.1f);
    for (int i = 0; i < 10; ++i) {
        const CParticle& p = e->GetParticles()[i];
        ASSERT_TRUE(p.IsLive());
        EXPECT_FLOAT_EQ(0.0f, p.velocity.x);
        EXPECT_FLOAT_EQ(0.6f * 0.4f, p.velocity.y);
        EXPECT_FLOAT_EQ(-0.8f * 0.4f, p.velocity.z);
    }
    // With a spread the directions fan out but keep the speed.
    auto f = MakeEmitter(50, 100);
    f->SetSpeed(0.4f, 0.0f);
    f->Update(0.1f);
    bool fanned = false;
    for (int i = 0; i < 10; ++i) {
        const CParticle& p = f->GetParticles()[i];
        EXPECT_NEAR(0.4f, p.velocity.Length(), 1e-5f);
        fanned = fanned || std::fabs(p.velocity.x) > 1e-4f;
    }
    EXPECT_TRUE(fanned);
}

TEST(CEmitter, BirthsScatterAlongTheLastMove) {
    auto still = MakeEmitter(50, 100);
    still->SetPosition(1.5f, -2.0f, 3.0f);
    still->Update(0.1f);  // the first update follows the move from the origin
    still->SetPosition(1.5f, -2.0f, 3.0f);
    still->SetRate(0);
    still->Update(0.1f);
    still->SetRate(100);
    for (int i = 0; i < 50; ++i) const_cast<CParticle&>(still->GetParticles()[i]).age = -1.0f;
    still->Update(0.1f);
    // An emitter that has not moved releases everything at its position.
    for (int i = 0; i < 10; ++i) {
        const CParticle& p = still->GetParticles()[i];
        ASSERT_TRUE(p.IsLive());
        ExpectNear(Vector3(1.5f, -2.0f, 3.0f), p.position, 0.0f);
        ExpectNear(Vector3(1.5f, -2.0f, 3.0f), p.prevPosition, 0.0f);
    }
    EXPECT_EQ(still->GetPosition().x, still->GetPrevPosition().x);

    // A move from (0,0,0) to (1,0,0): births lie on x = -1 .. 1, y = z = 0.
    XSeedRandom(99);
    auto moving = MakeEmitter(200, 2000);
    moving->SetPosition(1.0f, 0.0f, 0.0f);
    moving->Update(0.1f);
    bool behind = false, ahead = false;
    for (int i = 0; i < 200; ++i) {
        const CParticle& p = moving->GetParticles()[i];
        ASSERT_TRUE(p.IsLive());
        EXPECT_GE(p.position.x, -1.0f);
        EXPECT_LE(p.position.x, 1.0f);
        EXPECT_EQ(0.0f, p.position.y);
        behind = behind || p.position.x < -0.1f;
        ahead = ahead || p.position.x > 0.1f;
        EXPECT_EQ(1.0f, p.prevPosition.x);
    }
    EXPECT_TRUE(behind);
    EXPECT_TRUE(ahead);
    EXPECT_EQ(1.0f, moving->GetPrevPosition().x);  // Update ends with prev = position
}

TEST(CEmitter, EachBirthTakesTwentyEightDrawsInOrder) {
    // life (2), colour R G B A (8), size (2), position (2), three angles (12), speed (2).
    XSeedRandom(1234);
    int draws[29];
    for (int& d : draws) d = XRandom();
    auto sample = [&](int i) { return static_cast<float>(draws[i] - draws[i + 1]) * 3.0518509447574615e-05f; };

    XSeedRandom(1234);
    auto e = MakeEmitter(1, 10);
    e->SetLife(5.0f, 1.0f);
    e->SetColours(0.5f, 0.5f, 0.5f, 0.5f, 0.1f, 0.2f, 0.3f, 0.4f, 0, 0, 0, 0);
    e->SetSize(1.0f, 0.5f, 0.0f);
    e->SetSpread(0.0f);
    e->SetSpeed(2.0f, 1.0f);
    e->Update(0.1f);
    const CParticle& p = e->GetParticles()[0];
    ASSERT_TRUE(p.IsLive());
    EXPECT_FLOAT_EQ(5.0f + sample(0) * 1.0f, p.life);
    EXPECT_FLOAT_EQ(0.5f + sample(2) * 0.1f, p.colour[0]);
    EXPECT_FLOAT_EQ(0.5f + sample(4) * 0.2f, p.colour[1]);
    EXPECT_FLOAT_EQ(0.5f + sample(6) * 0.3f, p.colour[2]);
    EXPECT_FLOAT_EQ(0.5f + sample(8) * 0.4f, p.colour[3]);
    EXPECT_FLOAT_EQ(1.0f + sample(10) * 0.5f, p.size);
    EXPECT_FLOAT_EQ(2.0f + sample(26) * 1.0f, p.velocity.y);
    EXPECT_EQ(draws[28], XRandom());
}

TEST(CEmitter, ShapeAndSegments) {
    CEmitter e;
    e.Create(1);
    EXPECT_EQ(4, e.TrianglesPerParticle());  // 0, 120, 240, 360 (the first is degenerate)
    e.SetShape(0, 7);
    EXPECT_EQ(8, e.TrianglesPerParticle());  // every 51 degrees up to 357: 357..360 stays open
    e.SetShape(0, 0);
    EXPECT_EQ(1, e.GetSegments());  // refused: would divide by zero
    e.SetShape(2, 3);
    EXPECT_EQ(0, e.TrianglesPerParticle());
}
