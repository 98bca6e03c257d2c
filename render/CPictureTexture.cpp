#include "render/CPictureTexture.h"

#include <cstdlib>
#include <cstring>

#include "platform/GLInclude.h"

#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif

namespace {
struct DriverLimits {
    uint32_t maxSize = 64;  // the least OpenGL 1.1 promises
    bool anySize = false;   // sizes that are not powers of two
    bool edgeClamp = false;
};

// OpenGL 2.0 takes any texture size and 1.2 clamps to the edge texel; older
// drivers may still name the extension.
DriverLimits QueryLimits() {
    DriverLimits d;
    GLint max = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max);
    if (max >= 64) d.maxSize = static_cast<uint32_t>(max);
    int major = 1, minor = 0;
    if (const char* v = reinterpret_cast<const char*>(glGetString(GL_VERSION))) {
        major = std::atoi(v);
        if (const char* dot = std::strchr(v, '.')) minor = std::atoi(dot + 1);
    }
    const char* ext = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    d.anySize = major >= 2 || (ext && std::strstr(ext, "GL_ARB_texture_non_power_of_two"));
    d.edgeClamp = major >= 2 || (major == 1 && minor >= 2);
    return d;
}

uint32_t PowerOfTwoAtLeast(uint32_t v, uint32_t most) {
    uint32_t p = 1;
    while (p < v && p < most) p <<= 1;
    return p;
}
}  // namespace

void CPictureTexture::TextureSize(uint32_t width, uint32_t height, uint32_t maxSize, bool anySize,
                                  uint32_t& texWidth, uint32_t& texHeight) {
    if (anySize) {
        texWidth = width < maxSize ? width : maxSize;
        texHeight = height < maxSize ? height : maxSize;
    } else {
        texWidth = PowerOfTwoAtLeast(width, maxSize);
        texHeight = PowerOfTwoAtLeast(height, maxSize);
    }
}

void CPictureTexture::Resample(const uint8_t* bits, uint32_t width, uint32_t height, uint32_t pitch,
                               uint32_t outWidth, uint32_t outHeight, std::vector<uint8_t>& out) {
    const uint32_t outPitch = (outWidth * 3 + 3) & ~3u;
    out.assign(static_cast<size_t>(outPitch) * outHeight, 0);
    const double sx = static_cast<double>(width) / outWidth, sy = static_cast<double>(height) / outHeight;
    for (uint32_t y = 0; y < outHeight; ++y) {
        double fy = (y + 0.5) * sy - 0.5;
        if (fy < 0) fy = 0;
        const uint32_t y0 = static_cast<uint32_t>(fy);
        const uint32_t y1 = y0 + 1 < height ? y0 + 1 : y0;
        const double ty = fy - y0;
        uint8_t* dst = out.data() + static_cast<size_t>(y) * outPitch;
        for (uint32_t x = 0; x < outWidth; ++x) {
            double fx = (x + 0.5) * sx - 0.5;
            if (fx < 0) fx = 0;
            const uint32_t x0 = static_cast<uint32_t>(fx);
            const uint32_t x1 = x0 + 1 < width ? x0 + 1 : x0;
            const double tx = fx - x0;
            const uint8_t* a = bits + static_cast<size_t>(y0) * pitch;
            const uint8_t* b = bits + static_cast<size_t>(y1) * pitch;
            for (int c = 0; c < 3; ++c) {
                const double top = a[x0 * 3 + c] * (1 - tx) + a[x1 * 3 + c] * tx;
                const double bottom = b[x0 * 3 + c] * (1 - tx) + b[x1 * 3 + c] * tx;
                dst[x * 3 + c] = static_cast<uint8_t>(top * (1 - ty) + bottom * ty + 0.5);
            }
        }
    }
}

bool CPictureTexture::Upload(const uint8_t* bits, uint32_t width, uint32_t height, uint32_t pitch) {
    if (!bits || width == 0 || height == 0 || pitch < width * 3) return false;
    const DriverLimits limits = QueryLimits();
    uint32_t tw = 0, th = 0;
    TextureSize(width, height, limits.maxSize, limits.anySize, tw, th);
    const uint8_t* src = bits;
    uint32_t srcPitch = pitch;
    if (tw != width || th != height) {
        Resample(bits, width, height, pitch, tw, th, m_Scratch);
        src = m_Scratch.data();
        srcPitch = (tw * 3 + 3) & ~3u;
    } else {
        m_Scratch.clear();
        m_Scratch.shrink_to_fit();
    }
    const bool fresh = m_Name == 0 || tw != m_TexWidth || th != m_TexHeight;
    if (m_Name == 0) {
        GLuint name = 0;
        glGenTextures(1, &name);
        m_Name = name;
    }
    glBindTexture(GL_TEXTURE_2D, m_Name);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    if (srcPitch == ((tw * 3 + 3) & ~3u)) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    } else {  // whole pixels apart, as the decoder never makes but a caller might
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(srcPitch / 3));
    }
    if (fresh) {
        const GLint wrap = limits.edgeClamp ? GL_CLAMP_TO_EDGE : GL_CLAMP;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, static_cast<GLsizei>(tw), static_cast<GLsizei>(th), 0, GL_RGB,
                     GL_UNSIGNED_BYTE, src);
    } else {  // same size: the storage stays, only the texels change
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(tw), static_cast<GLsizei>(th), GL_RGB,
                        GL_UNSIGNED_BYTE, src);
    }
    glPopClientAttrib();
    m_TexWidth = tw;
    m_TexHeight = th;
    ++m_Uploads;
    return true;
}

void CPictureTexture::Draw(double x0, double y0, double x1, double y1) const {
    if (m_Name == 0) return;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, m_Name);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_REPLACE));
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2d(x0, y0);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2d(x1, y0);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2d(x1, y1);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2d(x0, y1);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
}

void CPictureTexture::Release() {
    if (m_Name != 0) {
        GLuint name = m_Name;
        glDeleteTextures(1, &name);
    }
    m_Name = 0;
    m_TexWidth = m_TexHeight = 0;
    m_Scratch.clear();
    m_Scratch.shrink_to_fit();
}
