// The state the information overlays draw in: every attribute and both
// matrices kept for the scene, smooth lighting from the viewer's side, depth
// test on, fog and culling off, and a [-1, 1] orthographic view. What was
// pushed is popped when the object goes, also when the drawing in between
// fails half way.
#pragma once

class OverlayState {
public:
    // Must be made while the scene's camera is still on the modelview matrix,
    // so the light's direction is taken in the scene's frame.
    explicit OverlayState(bool textured);
    ~OverlayState();
    OverlayState(const OverlayState&) = delete;
    OverlayState& operator=(const OverlayState&) = delete;

private:
    int m_Pushed = 0;  // 1: attributes, 2: and both matrices
};
