// Several colour-keyed sprite pictures in one texture, each in a cell framed
// by one fully transparent black texel. A population of sprites drawn from
// one texture goes to the driver as one batch: a software rasterizer copies
// its whole sampler state for every texture change, which made a hundred
// small sprites, each with its own texture, cost more than a full-screen
// picture. The frame is what a clamped texture's border gives its edge
// texels when filtered, so a cell samples exactly like its own texture.
// Render thread only, with the context current.
#pragma once

#include <cstdint>
#include <vector>

#include "xlib/XString.h"

class CSpriteSheet {
public:
    // A picture's place in the sheet as texture coordinates: (u0, v0) is its
    // first texel's corner, (u1, v1) the far corner of its last.
    struct Cell {
        float u0 = 0, v0 = 0, u1 = 0, v1 = 0;
    };
    struct Size {
        uint32_t width = 0, height = 0;
    };
    // Where each picture goes: its first texel at (x[i], y[i]) of a sheet of
    // width x height texels, both powers of two so that every cell edge is an
    // exact texture coordinate. False when the sheet would pass maxSize.
    struct Layout {
        uint32_t width = 0, height = 0;
        std::vector<uint32_t> x, y;
    };
    static bool Arrange(const std::vector<Size>& pictures, uint32_t maxSize, Layout& out);

    CSpriteSheet() = default;
    ~CSpriteSheet() = default;  // the texture ends with its context, or with Release
    CSpriteSheet(const CSpriteSheet&) = delete;
    CSpriteSheet& operator=(const CSpriteSheet&) = delete;

    // Reads every picture keyed as CTexture::CreateColorKeyed does and sends
    // the sheet, filtered linearly. False, leaving the sheet empty, when any
    // of them cannot be read or they do not fit in one texture.
    bool Create(const std::vector<XString>& files, int32_t keyRed, int32_t keyGreen, int32_t keyBlue);
    bool IsEmpty() const { return m_Name == 0; }
    void Bind() const;
    const Cell& CellOf(size_t picture) const { return m_Cells[picture]; }
    void Release();

private:
    uint32_t m_Name = 0;
    std::vector<Cell> m_Cells;
};
