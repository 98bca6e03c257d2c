#include "app/InputGate.h"

#include <cstdlib>

bool InputGate::OnMouseMove(int32_t x, int32_t y) {
    // The first motion a new window sees is the system settling the pointer, not the user.
    if (!m_FirstMoveSeen)
        m_FirstMoveSeen = true;
    else
        m_CloseRequested = true;
    int64_t distance = std::llabs(static_cast<int64_t>(m_RefX) - x) + std::llabs(static_cast<int64_t>(m_RefY) - y);
    if (distance <= kMouseThreshold) return false;
    if (m_Preview) {
        // The preview never closes through the mouse; follow the pointer instead.
        m_RefX = x;
        m_RefY = y;
        return false;
    }
    return true;
}
