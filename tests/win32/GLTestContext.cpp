// A hidden window with a WGL context; the frame is read from its back buffer.
#include "platform/win32/WinInclude.h"

#include "tests/GLTestContext.h"

#include "platform/GLInclude.h"

struct GLTestContext::Native {
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
};

namespace {
const char* kClassName = "MeadowglowGLTest";

bool RegisterTestClass() {
    static bool registered = [] {
        WNDCLASSA wc = {};
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClassName;
        return RegisterClassA(&wc) != 0;
    }();
    return registered;
}
}  // namespace

GLTestContext::GLTestContext(int width, int height) : m_Width(width), m_Height(height) {
    m_Native = new Native;
    if (!RegisterTestClass()) {
        m_Error = "RegisterClassA failed";
        return;
    }
    m_Native->window = CreateWindowExA(0, kClassName, "", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                                       GetModuleHandleA(nullptr), nullptr);
    if (!m_Native->window) {
        m_Error = "CreateWindowExA failed";
        return;
    }
    m_Native->dc = GetDC(m_Native->window);
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof(pfd);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cAlphaBits = 8;
    pfd.cDepthBits = 24;
    pfd.cStencilBits = 8;
    pfd.iLayerType = PFD_MAIN_PLANE;
    int format = ChoosePixelFormat(m_Native->dc, &pfd);
    if (!format || !SetPixelFormat(m_Native->dc, format, &pfd)) {
        m_Error = "no OpenGL pixel format";
        return;
    }
    m_Native->context = wglCreateContext(m_Native->dc);
    if (!m_Native->context || !wglMakeCurrent(m_Native->dc, m_Native->context)) {
        m_Error = "wglCreateContext or wglMakeCurrent failed";
        return;
    }
    glViewport(0, 0, width, height);
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    m_Ready = true;
}

GLTestContext::~GLTestContext() {
    if (m_Native->context) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(m_Native->context);
    }
    if (m_Native->dc) ReleaseDC(m_Native->window, m_Native->dc);
    if (m_Native->window) DestroyWindow(m_Native->window);
    delete m_Native;
}

void* GLTestContext::DeviceContext() const { return m_Native->dc; }

const char* GLTestContext::PlatformName() { return "windows"; }

std::string GLTestContext::HostPath(const std::string& sourcePath) {
    // Wine shows the host's root directory as drive Z:.
    std::string path = sourcePath;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}
