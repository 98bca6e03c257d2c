#include "services/CWallPaper.h"

#include "xlib/SettingsTable.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/Desktop.h"
#include "platform/FileSystem.h"
#include "platform/GLInclude.h"
#include "platform/ImageDecoder.h"
#include "xlib/ConfigSection.h"
#include "xlib/ReplaceFile.h"
#include "xlib/RunLog.h"
#include "xlib/UserFile.h"
#include "xlib/XException.h"
#include "xlib/XPaths.h"
#include "xlib/XRandom.h"

namespace {
bool PlatformSetter(const std::string& path, int style) {
    std::string error;
    if (PlatformSetDesktopWallpaper(path, style, error)) return true;
    WriteRunLog("Wallpaper", ("Error: the desktop wallpaper could not be set. Msg=" + error).c_str());
    return false;
}

CWallPaper::DesktopSetter g_Setter = PlatformSetter;
std::string g_TestFolder;

void PutLE(uint8_t* p, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

void CWallPaper::SetDesktopSetterForTests(DesktopSetter setter) { g_Setter = setter ? setter : PlatformSetter; }

void CWallPaper::SetFolderForTests(const std::string& folder) { g_TestFolder = folder; }

CWallPaper::CWallPaper() { Default(); }

namespace {
uint32_t ListedPictures(const CWallPaper& w) { return w.Pictures.GetCount(); }

constexpr Setting<CWallPaper> kRows[] = {
    SettingOf("Type", &CWallPaper::Type, static_cast<uint32_t>(CWallPaper::kNone)),
    // The count the list has, whatever the member last said.
    SettingOf("NumPictures", &CWallPaper::NumPictures, 0u).WrittenAs(ListedPictures),
};
constexpr SettingsTable<CWallPaper> kTable("Wallpaper", kRows);
}  // namespace

const SettingsTable<CWallPaper>& CWallPaper::Settings() { return kTable; }

template class TabledModule<CWallPaper>;

void CWallPaper::Default() {
    XGuard("CWallPaper::Default", [&] {
        kTable.Default(*this);
        Pictures.Clear();
        Width = Height = 0;
    });
}

void CWallPaper::Read(const XString& config) {
    XGuard("CWallPaper::Read", [&] {
        Pictures.Clear();
        XString section;
        // The render size stays: it is the window's, not a setting.
        if (!kTable.Read(*this, config, &section)) {
            kTable.Default(*this);
            return;
        }
        // The entries that are there, whatever the count claims.
        for (ConfigListEntry& entry : ConfigReadList(section, "Picture", NumPictures)) {
            XString& given = entry.value;
            given.Trim(' ');
            XString path(given);
            path.MakeLower();
            // Kept in lower case, as Windows compares names; where letter case
            // matters and only the name as written exists, that name is kept.
            if (!path.FileExists() && given.FileExists()) path = given;
            if (path.FileExists() && (path.EndsWithNoCase(".jpg") || path.EndsWithNoCase(".bmp")))
                Pictures.Add(path.c_str());
        }
        NumPictures = Pictures.GetCount();
    });
}

void CWallPaper::Write(XString& out) const {
    XGuard("CWallPaper::Write", [&] {
        ConfigSectionWriter w(out, kTable.Section());
        kTable.Write(*this, w);
        for (uint32_t i = 0; i < Pictures.GetCount(); ++i) {
            XString key("Picture_");
            key.Append(static_cast<unsigned>(i));
            w.Text(key.View(), Pictures[i].View());
        }
    });
}

void CWallPaper::Setup(uint32_t width, uint32_t height) {
    Width = width;
    Height = height;
}

bool CWallPaper::WantsLastFrame() const { return Type == kLastFrame && !(Width < 320 && Height < 200); }

XString CWallPaper::FileBasePath() {
    XString path(g_TestFolder.empty() ? PlatformWallpaperFolder(InstallDir()).c_str() : g_TestFolder.c_str());
    path += kFileBase;
    return path;
}

uint32_t CWallPaper::BmpRowSize(uint32_t width) { return (width * 3 + 3) & ~3u; }

void CWallPaper::MakeBmpHeader(uint32_t width, uint32_t height, uint8_t out[kBmpHeaderSize]) {
    std::memset(out, 0, kBmpHeaderSize);
    const uint32_t imageSize = height * BmpRowSize(width);
    out[0] = 'B';
    out[1] = 'M';
    PutLE(out + 2, kBmpHeaderSize + imageSize, 4);
    PutLE(out + 10, kBmpHeaderSize, 4);
    PutLE(out + 14, 40, 4);
    PutLE(out + 18, width, 4);
    PutLE(out + 22, height, 4);
    PutLE(out + 26, 1, 2);
    PutLE(out + 28, 24, 2);
    PutLE(out + 34, imageSize, 4);
}

bool CWallPaper::CaptureLastFrame(XString& bmp) const {
    const uint32_t row = BmpRowSize(Width);
    const size_t imageSize = static_cast<size_t>(row) * Height;
    uint8_t* pixels = new (std::nothrow) uint8_t[imageSize]();
    if (!pixels) return false;
    glFlush();
    // The frame drawn after the quit request was never swapped to the front.
    GLboolean doubleBuffered = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    glReadBuffer(doubleBuffered ? GL_BACK : GL_FRONT);
    GLint alignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);  // rows padded as the picture format pads them
    // The scene's rectangle, which the frame loop made the viewport: in a
    // window over several monitors it lies on the primary one, wherever that
    // is, and the rest of the window is black.
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    glReadPixels(viewport[0], viewport[1], static_cast<GLsizei>(Width), static_cast<GLsizei>(Height), GL_RGB,
                 GL_UNSIGNED_BYTE, pixels);
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    for (uint32_t y = 0; y < Height; ++y) {
        uint8_t* p = pixels + static_cast<size_t>(y) * row;
        for (uint32_t x = 0; x < Width; ++x, p += 3) {
            const uint8_t red = p[0];
            p[0] = p[2];
            p[2] = red;
        }
    }
    uint8_t header[kBmpHeaderSize];
    MakeBmpHeader(Width, Height, header);
    bmp = "";
    bmp.MakeSize(static_cast<unsigned>(kBmpHeaderSize + imageSize));
    bmp.AppendData(header, kBmpHeaderSize);
    bmp.AppendData(pixels, static_cast<unsigned>(imageSize));
    delete[] pixels;
    return true;
}

bool CWallPaper::WriteLastFrame(const XString& path) {
    XString bmp;
    if (!CaptureLastFrame(bmp)) return false;
    if (WriteFileReplacing(bmp, path)) return true;
    XString message("Error: could not write the wallpaper picture ");
    message += path;
    WriteRunLog("Wallpaper", message.c_str());
    return false;
}

bool CWallPaper::CopyPicture(const XString& from, XString& path) {
    if (!from.FileExists() || UserFileRefused(from, kMaxImageFileBytes, "The wallpaper picture")) return false;
    XString source(from);
    path += XString(from).SubEndFindRev('.');
    return source.CopyFile(path.c_str(), true, true);
}

bool CWallPaper::WallpaperTheDesktop(const XString& bgPicture) {
    bool ok = false;
    XGuard("CWallpaper::WallpaperTheDesktop", [&] {
        if ((Width < 320 && Height < 200) || Type == kNone) {
            ok = true;
            return;
        }
        XString path = FileBasePath();
        switch (Type) {
            case kLastFrame:
                path += "bmp";
                if (!WriteLastFrame(path)) return;
                break;
            case kBackgroundPicture:
                if (!CopyPicture(bgPicture, path)) return;
                break;
            case kListPicture: {
                const uint32_t count = Pictures.GetCount();
                if (count == 0) return;
                if (!CopyPicture(Pictures[static_cast<uint32_t>(XRandom()) % count], path)) return;
                break;
            }
            default: {
                // A type this program does not know names no picture: pointing
                // the desktop at a file that was never written would blank it.
                XString message("Error: unknown wallpaper type ");
                message.Append(static_cast<unsigned>(Type));
                message += "; the wallpaper is left alone.";
                WriteRunLog("Wallpaper", message.c_str());
                return;
            }
        }
        ok = SetWallpaper(path.c_str(), kWallpaperStretched);
    });
    return ok;
}

bool CWallPaper::SetWallpaper(const char* path, int style) { return path && g_Setter(path, style); }
