#include "platform/win32/WinInclude.h"

#include "platform/GlyphOutlines.h"

#include "platform/GLInclude.h"

#include <vector>

bool PlatformBuildGlyphLists(const GlyphListRequest& request, GlyphMetricsFloat* metrics, std::string& error) {
    HDC dc = static_cast<HDC>(request.deviceContext);
    if (!dc) {
        error = "no device context";
        return false;
    }
    HFONT font = CreateFontA(-12, 0, 0, 0, request.weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             request.faceName);
    if (!font) {
        error = "CreateFontA failed";
        return false;
    }
    HGDIOBJ previous = SelectObject(dc, font);
    std::vector<GLYPHMETRICSFLOAT> gmf(request.count);
    BOOL ok = wglUseFontOutlinesA(dc, request.firstCode, request.count, request.listBase, request.deviation,
                                  request.extrusion, request.format, gmf.data());
    DWORD lastError = ok ? 0 : GetLastError();
    // A font still selected into a device context cannot be deleted: put the
    // previous one back first, or every Create would leak a GDI font.
    if (previous && previous != HGDI_ERROR) SelectObject(dc, previous);
    DeleteObject(font);
    if (!ok) {
        error = "wglUseFontOutlinesA failed, error " + std::to_string(lastError);
        return false;
    }
    for (uint32_t i = 0; i < request.count; ++i) {
        metrics[i].blackBoxX = gmf[i].gmfBlackBoxX;
        metrics[i].blackBoxY = gmf[i].gmfBlackBoxY;
        metrics[i].originX = gmf[i].gmfptGlyphOrigin.x;
        metrics[i].originY = gmf[i].gmfptGlyphOrigin.y;
        metrics[i].cellIncX = gmf[i].gmfCellIncX;
        metrics[i].cellIncY = gmf[i].gmfCellIncY;
    }
    return true;
}
