#include "platform/win32/WinInclude.h"

#include "platform/GLSurface.h"

#include <vector>

#include "platform/PixelFormat.h"

struct GLSurface::Impl {
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
};

namespace {
PixelFormatInfo Describe(const PIXELFORMATDESCRIPTOR& pfd) {
    PixelFormatInfo f;
    f.supportOpenGL = (pfd.dwFlags & PFD_SUPPORT_OPENGL) != 0;
    f.drawToWindow = (pfd.dwFlags & PFD_DRAW_TO_WINDOW) != 0;
    f.doubleBuffer = (pfd.dwFlags & PFD_DOUBLEBUFFER) != 0;
    f.rgba = pfd.iPixelType == PFD_TYPE_RGBA;
    f.generic = (pfd.dwFlags & PFD_GENERIC_FORMAT) != 0;
    f.genericAccelerated = (pfd.dwFlags & PFD_GENERIC_ACCELERATED) != 0;
    f.colorBits = pfd.cColorBits;
    f.depthBits = pfd.cDepthBits;
    return f;
}

bool SetBestPixelFormat(HDC dc) {
    std::vector<PixelFormatInfo> formats;
    PIXELFORMATDESCRIPTOR pfd;
    for (int i = 1; DescribePixelFormat(dc, i, sizeof(pfd), &pfd) != 0; ++i) formats.push_back(Describe(pfd));
    int best = ChoosePixelFormatIndex(formats);
    if (best > 0) {
        DescribePixelFormat(dc, best, sizeof(pfd), &pfd);
        return SetPixelFormat(dc, best, &pfd) != FALSE;
    }
    PIXELFORMATDESCRIPTOR want{};
    want.nSize = 40;
    want.nVersion = 1;
    want.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    want.iPixelType = PFD_TYPE_RGBA;
    want.cColorBits = 24;
    want.cDepthBits = 24;
    int chosen = ChoosePixelFormat(dc, &want);
    return chosen != 0 && SetPixelFormat(dc, chosen, &want) != FALSE;
}
}  // namespace

GLSurface::GLSurface() : m_Impl(new Impl) {}

GLSurface::~GLSurface() {
    Destroy();
    delete m_Impl;
}

bool GLSurface::IsCreated() const { return m_Impl->context != nullptr; }

void* GLSurface::DeviceContext() const { return m_Impl->dc; }

bool GLSurface::Create(NativeWindow window, std::string& error) {
    Destroy();
    HWND hwnd = reinterpret_cast<HWND>(window);
    if (!hwnd || !IsWindow(hwnd)) {
        error = "the window to render into does not exist";
        return false;
    }
    m_Impl->window = hwnd;
    m_Impl->dc = GetDC(hwnd);
    if (!m_Impl->dc) {
        error = "GetDC failed";
        Destroy();
        return false;
    }
    // A window keeps its first pixel format: a restarted preview reuses it.
    if (GetPixelFormat(m_Impl->dc) == 0 && !SetBestPixelFormat(m_Impl->dc)) {
        error = "no usable pixel format";
        Destroy();
        return false;
    }
    m_Impl->context = wglCreateContext(m_Impl->dc);
    if (!m_Impl->context) {
        error = "wglCreateContext failed";
        Destroy();
        return false;
    }
    if (!wglMakeCurrent(m_Impl->dc, m_Impl->context)) {
        error = "wglMakeCurrent failed";
        Destroy();
        return false;
    }
    return true;
}

void GLSurface::ClientSize(unsigned& width, unsigned& height) const {
    RECT rc{};
    width = height = 0;
    if (m_Impl->window && GetClientRect(m_Impl->window, &rc)) {
        width = static_cast<unsigned>(rc.right - rc.left);
        height = static_cast<unsigned>(rc.bottom - rc.top);
    }
}

bool GLSurface::WindowAlive() const { return m_Impl->window && IsWindow(m_Impl->window); }

void GLSurface::SwapBuffers() {
    if (m_Impl->dc) ::SwapBuffers(m_Impl->dc);
}

void GLSurface::Destroy() {
    if (m_Impl->context) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(m_Impl->context);
    }
    if (m_Impl->dc) ReleaseDC(m_Impl->window, m_Impl->dc);
    m_Impl->context = nullptr;
    m_Impl->dc = nullptr;
    m_Impl->window = nullptr;
}

GLProcedure GLProcAddress(const char* name) {
    // Some drivers answer a small number instead of null for a name they do
    // not know.
    const PROC found = wglGetProcAddress(name);
    const auto value = reinterpret_cast<intptr_t>(found);
    if (value == 0 || value == 1 || value == 2 || value == 3 || value == -1) return nullptr;
    return reinterpret_cast<GLProcedure>(found);
}
