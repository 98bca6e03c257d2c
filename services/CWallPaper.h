// The desktop wallpaper the saver leaves behind when its render thread ends:
// the saver's own last frame, the background picture being shown, or a random
// picture from the user's list. Owns the "<Wallpaper>" configuration section.
#pragma once

#include <cstdint>
#include <string>

#include "xlib/SaverModule.h"
#include "xlib/XString.h"
#include "xlib/XStringArray.h"

class CWallPaper : public TabledModule<CWallPaper> {
public:
    enum : uint32_t { kNone = 0, kLastFrame = 1, kBackgroundPicture = 2, kListPicture = 3 };
    static constexpr const char* kFileBase = "dynTallowFenWallpaper.";
    static constexpr unsigned kBmpHeaderSize = 54;

    // What sets the desktop's picture (path, style); replaceable for tests.
    using DesktopSetter = bool (*)(const std::string& path, int style);
    // Null restores the platform's own.
    static void SetDesktopSetterForTests(DesktopSetter setter);
    // Keeps the wallpaper file in `folder` (ending in the separator) instead of
    // the platform's folder; empty restores it.
    static void SetFolderForTests(const std::string& folder);

    CWallPaper();
    void Default() override;
    void Read(const XString& config) override;
    void Write(XString& out) const override;
    static const SettingsTable<CWallPaper>& Settings();
    // The render size, from the instance's Init.
    void Setup(const SceneContext& scene) override {
        Setup(static_cast<uint32_t>(scene.width), static_cast<uint32_t>(scene.height));
    }
    void Reshape(const SceneContext& scene) override { Setup(scene); }
    void Setup(uint32_t width, uint32_t height);

    // Whether WallpaperTheDesktop will read the last frame from the back buffer:
    // the render thread draws that unshown frame only when this is true.
    bool WantsLastFrame() const;
    // Leaves the picture the type asks for on the desktop; `bgPicture` is the
    // background module's current picture. Type 1 needs the render context
    // current with the last frame in its back buffer. True unless a step failed.
    bool WallpaperTheDesktop(const XString& bgPicture);
    // Sets the desktop's picture; style 2 stretches it over the screen.
    static bool SetWallpaper(const char* path, int style);

    // The wallpaper file's path without its extension.
    static XString FileBasePath();
    // Bytes in one BMP pixel row: width x 3 rounded up to a multiple of 4.
    static uint32_t BmpRowSize(uint32_t width);
    // The 14-byte file header and 40-byte info header of a 24-bit, bottom-up,
    // uncompressed picture of the size.
    static void MakeBmpHeader(uint32_t width, uint32_t height, uint8_t out[kBmpHeaderSize]);
    // The whole picture file of the scene read from the current context's
    // back buffer: Width x Height from the viewport's corner (the frame loop
    // makes the viewport the scene's rectangle). False when the memory could
    // not be had.
    bool CaptureLastFrame(XString& bmp) const;

    uint32_t Type;
    uint32_t NumPictures;
    XStringArray Pictures;
    uint32_t Width, Height;

private:
    bool WriteLastFrame(const XString& path);
    bool CopyPicture(const XString& from, XString& path);
};
