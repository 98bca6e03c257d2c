// A hidden benchmark scene: particle emitters configured like the overlays'
// streamers, drawn over each bench frame so their cost shows in the figures.
#pragma once

#include <memory>
#include <vector>

class CEmitter;

class BenchEmitters {
public:
    // `count` emitters of `capacity` particles each, their pools already full.
    BenchEmitters(unsigned count, int capacity);
    ~BenchEmitters();
    BenchEmitters(const BenchEmitters&) = delete;
    BenchEmitters& operator=(const BenchEmitters&) = delete;

    // Moves, updates and draws every emitter under the scene camera. Render
    // thread, with the saver's GL context current.
    void Frame(unsigned index);
    int LiveParticles() const;

private:
    void Move(unsigned index);

    std::vector<std::unique_ptr<CEmitter>> m_Emitters;
};
