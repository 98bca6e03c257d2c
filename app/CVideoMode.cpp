#include "app/CVideoMode.h"

#include <cstdio>

#include "xlib/ConfigSection.h"

const char kCurrentScreenModeText[] = "Use my current screen mode (Always valid)";

void CVideoMode::Read(const XString& whole) {
    XGuard("CVideoMode::Read", [&] {
        const XString section = ConfigSectionText(whole, "VideoMode");
        if (section.IsEmpty()) {
            Default();
            return;
        }
        Mode = ConfigReadInt(section, "Mode");
        ThreadPriority = ConfigReadInt(section, "ThreadPriority");
    });
}

void CVideoMode::Write(XString& out) const {
    XGuard("CVideoMode::Write", [&] {
        ConfigSectionWriter w(out, "VideoMode");
        w.Int("Mode", Mode);
        w.Int("ThreadPriority", ThreadPriority);
        w.Close();
    });
}

ThreadPriority RenderThreadPriority(int32_t stored) {
    if (stored >= 0) return ThreadPriority::Normal;
    if (stored == -1) return ThreadPriority::BelowNormal;
    if (stored == -2) return ThreadPriority::Lowest;
    return ThreadPriority::Idle;
}

std::vector<ListedDisplayMode> ListDisplayModes(const DisplayModeSource& source) {
    std::vector<ListedDisplayMode> modes;
    DisplayModeInfo info;
    for (unsigned index = 0; source.describe(index, info); ++index)
        if (info.bitsPerPixel > 8) modes.push_back({index, info});
    return modes;
}

std::vector<std::string> VideoModeListTexts(const DisplayModeSource& source) {
    std::vector<std::string> texts{kCurrentScreenModeText};
    for (const ListedDisplayMode& m : ListDisplayModes(source)) {
        char line[160];
        std::snprintf(line, sizeof line, "Resolution: %dx%d, color depth: %dbits, frequency: %dHz",
                      static_cast<int>(m.info.width), static_cast<int>(m.info.height),
                      static_cast<int>(m.info.bitsPerPixel), static_cast<int>(m.info.frequency));
        texts.emplace_back(line);
    }
    return texts;
}

bool ApplyVideoMode(int mode, const DisplayModeSource& source) {
    bool switched = false;
    XGuard("main ApplyVideoMode", [&] {
        if (mode <= 0) return;
        const std::vector<ListedDisplayMode> modes = ListDisplayModes(source);
        // The position counts listed modes only, so it names the mode its list
        // entry describes even when the enumeration begins with 8-bit modes.
        if (static_cast<unsigned>(mode) > modes.size()) return;
        switched = source.change(modes[static_cast<unsigned>(mode) - 1].index);
    });
    return switched;
}
