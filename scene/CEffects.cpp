#include "scene/CEffects.h"

#include "xlib/SettingsTable.h"

#include "xlib/ConfigSection.h"
#include "platform/GLInclude.h"
#include "xlib/XException.h"
#include "xlib/XString.h"


CEffects::CEffects() {
    XGuard("CEffects constructor", [&] { Default(); });
}

namespace {
// Each group is read on its own, so that the two "<Enabled>" keys stay apart.
// The ranges are what the settings page's scroll bars offer; the file's
// values are read as they are.
constexpr Setting<CEffects> kRows[] = {
    SettingOf("LifeTime", &CEffects::LifeTime, 40).In("Emitters").Range(0, 100),
    SettingOf("Intensity", &CEffects::Intensity, 40).In("Emitters").Range(1, 100),
    SettingOf("Detail", &CEffects::Detail, 3).In("Emitters").Range(3, 30),
    SettingOf("Size", &CEffects::Size, 10).In("Emitters").Range(0, 50),
    SettingOf("Enabled", &CEffects::MotionBlur, true).In("MotionBlur"),
    SettingOf("Amount", &CEffects::BlurAmount, 3).In("MotionBlur").Range(1, 8),
    SettingOf("Enabled", &CEffects::Fog, false).In("Fog").Label("Fog"),
    SettingOf("Density", &CEffects::FogDensity, 30).In("Fog").Range(0, 100),
    SettingOf("Red", &CEffects::FogRed, 0).In("Fog").Range(0, 255),
    SettingOf("Green", &CEffects::FogGreen, 0).In("Fog").Range(0, 255),
    SettingOf("Blue", &CEffects::FogBlue, 255).In("Fog").Range(0, 255),
};
constexpr SettingsTable<CEffects> kTable("Effects", kRows);
}  // namespace

const SettingsTable<CEffects>& CEffects::Settings() { return kTable; }

template class TabledModule<CEffects>;

void CEffects::Default() { kTable.Default(*this); }

void CEffects::Read(const XString& config) {
    XGuard("CEffects::Read", [&] {
        if (!kTable.Read(*this, config)) Default();
    });
}

void CEffects::Write(XString& out) const {
    XGuard("CEffects::Write", [&] { kTable.WriteSection(*this, out); });
}

void CEffects::ApplyFog() const {
    XGuard("CEffects::ApplyFog", [&] {
        if (Fog)
            glEnable(GL_FOG);
        else
            glDisable(GL_FOG);
        glFogi(GL_FOG_MODE, GL_EXP);
        const GLfloat colour[4] = {FogChannel(FogRed), FogChannel(FogGreen), FogChannel(FogBlue), 1.0f};
        glFogfv(GL_FOG_COLOR, colour);
        glFogf(GL_FOG_DENSITY, FogDensityValue());
        glHint(GL_FOG_HINT, GL_NICEST);
        glFogf(GL_FOG_START, 0.0f);
        glFogf(GL_FOG_END, 30.0f);
    });
}
