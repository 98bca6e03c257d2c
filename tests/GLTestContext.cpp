// The platform-neutral half of the test context: reading back and PNG output.
#include "tests/GLTestContext.h"

#include <algorithm>
#include <cstdio>

#include "platform/GLInclude.h"
#include "xlib/PngWriter.h"

void GLTestContext::UseSceneState(double aspect) const {
    glViewport(0, 0, m_Width, m_Height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(70.0, aspect, static_cast<double>(0.2f), 70.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
}

std::vector<uint8_t> GLTestContext::ReadPixels() const {
    std::vector<uint8_t> pixels(static_cast<size_t>(m_Width) * m_Height * 4);
    if (!m_Ready) return pixels;
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, m_Width, m_Height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

bool GLTestContext::SavePng(const std::string& path) const {
    std::vector<uint8_t> bottomUp = ReadPixels();
    std::vector<uint8_t> topDown(bottomUp.size());
    size_t row = static_cast<size_t>(m_Width) * 4;
    for (int y = 0; y < m_Height; ++y)
        std::copy(bottomUp.begin() + (m_Height - 1 - y) * row, bottomUp.begin() + (m_Height - y) * row,
                  topDown.begin() + y * row);
    return WritePngRgba(path, m_Width, m_Height, topDown);
}

bool WritePngRgba(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
    if (width <= 0 || height <= 0) return false;
    return WritePng(path, static_cast<unsigned>(width), static_cast<unsigned>(height), PngColour::Rgba, rgba);
}
