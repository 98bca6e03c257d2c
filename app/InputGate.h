// When user input ends the saver: the close-request flag, the mouse rule and
// the close sequence's decisions, free of any window system.
#pragma once

#include <cstdint>

class InputGate {
public:
    static constexpr int32_t kMouseThreshold = 4;

    InputGate(bool preview, int32_t x, int32_t y) : m_Preview(preview), m_RefX(x), m_RefY(y) {}

    // A key or button press (or losing activation): request close.
    void RequestClose() { m_CloseRequested = true; }

    // Mouse moved to (x, y) on the screen. Returns true when a close message
    // must be posted (full screen only, movement beyond the threshold); the
    // message is honoured only when the close-request flag is set by then.
    bool OnMouseMove(int32_t x, int32_t y);

    enum class CloseDecision { Ignore, Stop };
    // A close message arrived. Full screen: ignored unless close was requested.
    // The password check (where the platform leaves it to us) comes after.
    CloseDecision OnClose() const { return (m_Preview || m_CloseRequested) ? CloseDecision::Stop : CloseDecision::Ignore; }

    // The password was refused: measure the next movement from where the mouse is now.
    void ResetReference(int32_t x, int32_t y) {
        m_RefX = x;
        m_RefY = y;
    }

    bool CloseRequested() const { return m_CloseRequested; }
    bool FirstMoveSeen() const { return m_FirstMoveSeen; }
    bool Preview() const { return m_Preview; }

private:
    bool m_Preview;
    int32_t m_RefX, m_RefY;
    bool m_CloseRequested = false;
    bool m_FirstMoveSeen = false;
};
