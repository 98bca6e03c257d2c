// An OpenGL rendering context on a window, owned by the thread that renders.
#pragma once

#include <cstdint>
#include <string>

// The platform's window handle (HWND on Windows, an X window id on Linux).
using NativeWindow = uintptr_t;

class GLSurface {
public:
    GLSurface();
    ~GLSurface();
    GLSurface(const GLSurface&) = delete;
    GLSurface& operator=(const GLSurface&) = delete;

    // Picks the best pixel format by ScorePixelFormat, creates the context and
    // makes it current on the calling thread. On failure `error` says why.
    bool Create(NativeWindow window, std::string& error);
    // Current client-area size of the window.
    void ClientSize(unsigned& width, unsigned& height) const;
    void SwapBuffers();
    // False once the window has been destroyed under us.
    bool WindowAlive() const;
    // Releases the context and the device connection; safe to call twice.
    void Destroy();
    bool IsCreated() const;
    // What modules that build glyph outlines need: the window's device context
    // on Windows; null where the platform needs none.
    void* DeviceContext() const;

private:
    struct Impl;
    Impl* m_Impl;
};

// An OpenGL call beyond 1.1, by name, from the library that serves the
// calling thread's other OpenGL calls; null where it has none. Whether the
// current context offers the call (its version, its extensions) is the
// caller's to check first: an address alone promises nothing.
using GLProcedure = void (*)();
GLProcedure GLProcAddress(const char* name);
