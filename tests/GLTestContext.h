// An offscreen OpenGL context for rendering tests and benchmarks: create one of
// W x H pixels, it is current on the calling thread until destroyed; draw, then
// read the frame back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class GLTestContext {
public:
    GLTestContext(int width, int height);
    ~GLTestContext();
    GLTestContext(const GLTestContext&) = delete;
    GLTestContext& operator=(const GLTestContext&) = delete;

    bool IsReady() const { return m_Ready; }
    const std::string& Error() const { return m_Error; }
    int Width() const { return m_Width; }
    int Height() const { return m_Height; }
    // What a Create that wants the window's device context takes (null where none is needed).
    void* DeviceContext() const;
    // The frame drawn so far as RGBA bytes, bottom row first (OpenGL's order).
    std::vector<uint8_t> ReadPixels() const;
    // Writes the frame as a PNG file, top row first.
    bool SavePng(const std::string& path) const;

    // The state the frame loop leaves for the modules, as the rendering tests
    // draw under: the whole context as viewport, the scene's perspective at
    // `aspect`, an identity model view, black clearing, depth test and
    // back-face culling.
    void UseSceneState(double aspect) const;

    // "linux" or "windows": tags screenshots and figures.
    static const char* PlatformName();
    // A path from the build's source tree (slash-separated) as this platform's file API wants it.
    static std::string HostPath(const std::string& sourcePath);

private:
    struct Native;
    Native* m_Native = nullptr;
    bool m_Ready = false;
    std::string m_Error;
    int m_Width;
    int m_Height;
};

// A PNG file (8-bit RGBA, xlib/PngWriter) from rows given top first.
bool WritePngRgba(const std::string& path, int width, int height, const std::vector<uint8_t>& topDownRgba);
