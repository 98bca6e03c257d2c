#include "render/CSpriteSheet.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/GLInclude.h"
#include "render/CTexture.h"
#include "render/TextureUpload.h"
#include "xlib/XException.h"

namespace {
uint32_t PowerOfTwoAtLeast(uint64_t v) {
    uint64_t p = 1;
    while (p < v) p <<= 1;
    return p > 0xFFFFFFFFull ? 0 : static_cast<uint32_t>(p);
}
}  // namespace

bool CSpriteSheet::Arrange(const std::vector<Size>& pictures, uint32_t maxSize, Layout& out) {
    out = Layout{};
    if (pictures.empty()) return false;
    // A square-ish grid of equal cells, each the largest picture plus its frame.
    uint64_t cellW = 0, cellH = 0;
    for (const Size& s : pictures) {
        if (s.width == 0 || s.height == 0) return false;
        cellW = std::max<uint64_t>(cellW, s.width + 2ull);
        cellH = std::max<uint64_t>(cellH, s.height + 2ull);
    }
    const size_t columns = static_cast<size_t>(std::ceil(std::sqrt(static_cast<double>(pictures.size()))));
    const size_t rows = (pictures.size() + columns - 1) / columns;
    const uint32_t width = PowerOfTwoAtLeast(cellW * columns), height = PowerOfTwoAtLeast(cellH * rows);
    if (width == 0 || height == 0 || width > maxSize || height > maxSize) return false;
    out.width = width;
    out.height = height;
    for (size_t i = 0; i < pictures.size(); ++i) {
        out.x.push_back(static_cast<uint32_t>((i % columns) * cellW + 1));
        out.y.push_back(static_cast<uint32_t>((i / columns) * cellH + 1));
    }
    return true;
}

bool CSpriteSheet::Create(const std::vector<XString>& files, int32_t keyRed, int32_t keyGreen, int32_t keyBlue) {
    bool ok = false;
    XGuard("CSpriteSheet::Create", [&] {
        Release();
        std::vector<CTexture> pictures(files.size());
        std::vector<Size> sizes;
        for (size_t i = 0; i < files.size(); ++i) {
            pictures[i].SetFileName(files[i]);
            if (!pictures[i].ReadColorKeyedImage(keyRed, keyGreen, keyBlue)) return;
            sizes.push_back({pictures[i].GetWidth(), pictures[i].GetHeight()});
        }
        GLint most = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
        Layout layout;
        if (!Arrange(sizes, most > 0 ? static_cast<uint32_t>(most) : 64u, layout)) return;
        // Zero everywhere but the pictures: the transparent black frame.
        std::vector<uint8_t> sheet(static_cast<size_t>(layout.width) * layout.height * 4, 0);
        for (size_t i = 0; i < pictures.size(); ++i) {
            const uint32_t w = sizes[i].width, h = sizes[i].height;
            const uint8_t* read = pictures[i].GetPixelBuffer();
            std::vector<uint8_t> rgba(read, read + static_cast<size_t>(w) * h * 4);
            BleedIntoTransparent(rgba.data(), w, h);
            for (uint32_t row = 0; row < h; ++row)
                std::memcpy(&sheet[((static_cast<size_t>(layout.y[i]) + row) * layout.width + layout.x[i]) * 4],
                            rgba.data() + static_cast<size_t>(row) * w * 4, static_cast<size_t>(w) * 4);
            Cell cell;
            cell.u0 = static_cast<float>(layout.x[i]) / static_cast<float>(layout.width);
            cell.v0 = static_cast<float>(layout.y[i]) / static_cast<float>(layout.height);
            cell.u1 = static_cast<float>(layout.x[i] + w) / static_cast<float>(layout.width);
            cell.v1 = static_cast<float>(layout.y[i] + h) / static_cast<float>(layout.height);
            m_Cells.push_back(cell);
        }
        m_Name = NewClampedTexture(GL_LINEAR, GL_LINEAR);
        WithDefaultUnpack([&] {
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(layout.width),
                         static_cast<GLsizei>(layout.height), 0, GL_RGBA, GL_UNSIGNED_BYTE, sheet.data());
        });
        ok = true;
    });
    if (!ok) m_Cells.clear();
    return ok;
}

void CSpriteSheet::Bind() const {
    if (m_Name != 0) glBindTexture(GL_TEXTURE_2D, m_Name);
}

void CSpriteSheet::Release() {
    if (m_Name != 0) {
        GLuint name = m_Name;
        glDeleteTextures(1, &name);
    }
    m_Name = 0;
    m_Cells.clear();
}
