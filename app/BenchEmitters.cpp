#include "app/BenchEmitters.h"

#include <cmath>

#include "platform/GLInclude.h"
#include "scene/CEmitter.h"

namespace {
constexpr float kDt = 0.1f;  // the overlays' fixed step per frame
}

BenchEmitters::BenchEmitters(unsigned count, int capacity) {
    for (unsigned i = 0; i < count; ++i) {
        auto e = std::make_unique<CEmitter>();
        e->Create(capacity);
        e->SetShape(0, 3);
        e->SetLife(5.5f, 0.1f);
        e->SetSize(0.009f, 0.01f, 0.04f);
        e->SetSpread(25.0f);
        e->SetSpeed(0.22f, 0.05f);
        e->SetColours(1.0f, 0.6f, 0.2f, 1.0f, 0.0f, 0.2f, 0.2f, 0.0f, 0.2f, 0.2f, 1.0f, 0.0f);
        // Enough births to keep a full pool: rate x life exceeds the capacity.
        e->SetRate(static_cast<float>(capacity) / 5.0f);
        m_Emitters.push_back(std::move(e));
    }
    // Run the pools full before anything is measured.
    for (unsigned step = 0; step < 80; ++step) {
        Move(step);
        for (auto& e : m_Emitters) e->Update(kDt);
    }
}

BenchEmitters::~BenchEmitters() = default;

void BenchEmitters::Move(unsigned index) {
    for (size_t i = 0; i < m_Emitters.size(); ++i) {
        float t = static_cast<float>(index) * 0.03f + static_cast<float>(i) * 2.1f;
        m_Emitters[i]->SetPosition(2.5f * std::cos(t), 1.5f * std::sin(t * 1.3f), 0.0f);
    }
}

void BenchEmitters::Frame(unsigned index) {
    Move(index + 80);
    for (auto& e : m_Emitters) e->Update(kDt);
    SetRotationSense(-1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(0.0, 0.0, -6.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    // Seen from the camera at -z the discs wind counter-clockwise.
    for (auto& e : m_Emitters) e->Draw(1);
    glPopMatrix();
}

int BenchEmitters::LiveParticles() const {
    int n = 0;
    for (const auto& e : m_Emitters) n += e->GetLiveCount();
    return n;
}
