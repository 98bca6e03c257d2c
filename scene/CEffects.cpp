#include "scene/CEffects.h"

#include "xlib/ConfigSection.h"
#include "platform/GLInclude.h"
#include "xlib/XException.h"
#include "xlib/XString.h"


CEffects::CEffects() {
    XGuard("CEffects constructor", [&] { Default(); });
}

void CEffects::Default() {
    XGuard("CEffects::Default", [&] {
        LifeTime = 40;
        Intensity = 40;
        Detail = 3;
        Size = 10;
        MotionBlur = true;
        BlurAmount = 3;
        Fog = false;
        FogDensity = 30;
        FogRed = 0;
        FogGreen = 0;
        FogBlue = 255;
    });
}

void CEffects::Read(const XString& config) {
    XGuard("CEffects::Read", [&] {
        XString section = ConfigSectionText(config, "Effects");
        if (section.IsEmpty()) {
            Default();
            return;
        }
        // Each group is cut out first so that the two "<Enabled>" keys stay apart.
        XString emitters = ConfigSectionText(section, "Emitters");
        LifeTime = ConfigReadInt(emitters, "LifeTime");
        Intensity = ConfigReadInt(emitters, "Intensity");
        Detail = ConfigReadInt(emitters, "Detail");
        Size = ConfigReadInt(emitters, "Size");

        XString blur = ConfigSectionText(section, "MotionBlur");
        MotionBlur = ConfigReadBool(blur, "Enabled");
        BlurAmount = ConfigReadInt(blur, "Amount");

        XString fog = ConfigSectionText(section, "Fog");
        Fog = ConfigReadBool(fog, "Enabled");
        FogDensity = ConfigReadInt(fog, "Density");
        FogRed = ConfigReadInt(fog, "Red");
        FogGreen = ConfigReadInt(fog, "Green");
        FogBlue = ConfigReadInt(fog, "Blue");
    });
}

void CEffects::Write(XString& out) const {
    XGuard("CEffects::Write", [&] {
        ConfigSectionWriter w(out, "Effects");
        w.Open("Emitters");
        w.UInt("LifeTime", static_cast<uint32_t>(LifeTime));
        w.UInt("Intensity", static_cast<uint32_t>(Intensity));
        w.UInt("Detail", static_cast<uint32_t>(Detail));
        w.UInt("Size", static_cast<uint32_t>(Size));
        w.Close();
        w.Open("MotionBlur");
        w.Bool("Enabled", MotionBlur);
        w.UInt("Amount", static_cast<uint32_t>(BlurAmount));
        w.Close();
        w.Open("Fog");
        w.Bool("Enabled", Fog);
        w.UInt("Density", static_cast<uint32_t>(FogDensity));
        w.UInt("Red", static_cast<uint32_t>(FogRed));
        w.UInt("Green", static_cast<uint32_t>(FogGreen));
        w.UInt("Blue", static_cast<uint32_t>(FogBlue));
        w.Close();
        w.Close();
    });
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
