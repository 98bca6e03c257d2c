// Offscreen rendering with OSMesa: no display needed.
#include "tests/GLTestContext.h"

#include <GL/osmesa.h>

struct GLTestContext::Native {
    OSMesaContext context = nullptr;
    std::vector<uint8_t> buffer;
};

GLTestContext::GLTestContext(int width, int height) : m_Width(width), m_Height(height) {
    m_Native = new Native;
    m_Native->context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 8, 0, nullptr);
    if (!m_Native->context) {
        m_Error = "OSMesaCreateContextExt failed";
        return;
    }
    m_Native->buffer.assign(static_cast<size_t>(width) * height * 4, 0);
    if (!OSMesaMakeCurrent(m_Native->context, m_Native->buffer.data(), GL_UNSIGNED_BYTE, width, height)) {
        m_Error = "OSMesaMakeCurrent failed";
        return;
    }
    m_Ready = true;
}

GLTestContext::~GLTestContext() {
    if (m_Native->context) {
        OSMesaMakeCurrent(nullptr, nullptr, GL_UNSIGNED_BYTE, 0, 0);
        OSMesaDestroyContext(m_Native->context);
    }
    delete m_Native;
}

void* GLTestContext::DeviceContext() const { return nullptr; }

const char* GLTestContext::PlatformName() { return "linux"; }

std::string GLTestContext::HostPath(const std::string& sourcePath) { return sourcePath; }
