#include "app/CVideoMode.h"

#include "xlib/SettingsTable.h"

#include <cstdio>

#include "xlib/ConfigSection.h"
#include "xlib/XException.h"

const char kCurrentScreenModeText[] = "Use my current screen mode (Always valid)";

namespace {
constexpr Setting<CVideoMode> kRows[] = {
    SettingOf("Mode", &CVideoMode::Mode, 0).Signed(),
    SettingOf("ThreadPriority", &CVideoMode::ThreadPriority, 0).Signed(),
};
constexpr SettingsTable<CVideoMode> kTable("VideoMode", kRows);
}  // namespace

const SettingsTable<CVideoMode>& CVideoMode::Settings() { return kTable; }

template class TabledModule<CVideoMode>;

void CVideoMode::Default() { kTable.Default(*this); }

void CVideoMode::Read(const XString& whole) {
    XGuard("CVideoMode::Read", [&] {
        if (!kTable.Read(*this, whole)) Default();
    });
}

void CVideoMode::Write(XString& out) const {
    XGuard("CVideoMode::Write", [&] { kTable.WriteSection(*this, out); });
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
