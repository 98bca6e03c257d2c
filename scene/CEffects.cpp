#include "scene/CEffects.h"

#include "platform/GLInclude.h"
#include "xlib/XException.h"
#include "xlib/XString.h"

namespace {
XString TagText(const XString& section, const char* open, const char* close) {
    XString copy(section);
    return XString(copy.SubBetweenFwd(open, close));
}

int32_t TagInt(const XString& section, const char* open, const char* close) {
    return TagText(section, open, close).ToInt();
}

bool TagBool(const XString& section, const char* open, const char* close) {
    return TagText(section, open, close).IsTrue();
}

void WriteKey(XString& out, const char* open, unsigned value, const char* close) {
    out += "\t\t\t";
    out += open;
    out.Append(value);
    out += close;
    out += "\r\n";
}

void WriteKey(XString& out, const char* open, bool value, const char* close) {
    out += "\t\t\t";
    out += open;
    out += value ? "true" : "false";
    out += close;
    out += "\r\n";
}
}  // namespace

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
        XString section = TagText(config, "<Effects>", "</Effects>");
        if (section.IsEmpty()) {
            Default();
            return;
        }
        // Each group is cut out first so that the two "<Enabled>" keys stay apart.
        XString emitters = TagText(section, "<Emitters>", "</Emitters>");
        LifeTime = TagInt(emitters, "<LifeTime>", "</LifeTime>");
        Intensity = TagInt(emitters, "<Intensity>", "</Intensity>");
        Detail = TagInt(emitters, "<Detail>", "</Detail>");
        Size = TagInt(emitters, "<Size>", "</Size>");

        XString blur = TagText(section, "<MotionBlur>", "</MotionBlur>");
        MotionBlur = TagBool(blur, "<Enabled>", "</Enabled>");
        BlurAmount = TagInt(blur, "<Amount>", "</Amount>");

        XString fog = TagText(section, "<Fog>", "</Fog>");
        Fog = TagBool(fog, "<Enabled>", "</Enabled>");
        FogDensity = TagInt(fog, "<Density>", "</Density>");
        FogRed = TagInt(fog, "<Red>", "</Red>");
        FogGreen = TagInt(fog, "<Green>", "</Green>");
        FogBlue = TagInt(fog, "<Blue>", "</Blue>");
    });
}

void CEffects::Write(XString& out) const {
    XGuard("CEffects::Write", [&] {
        out += "\t<Effects>\r\n";
        out += "\t\t<Emitters>\r\n";
        WriteKey(out, "<LifeTime>", static_cast<unsigned>(LifeTime), "</LifeTime>");
        WriteKey(out, "<Intensity>", static_cast<unsigned>(Intensity), "</Intensity>");
        WriteKey(out, "<Detail>", static_cast<unsigned>(Detail), "</Detail>");
        WriteKey(out, "<Size>", static_cast<unsigned>(Size), "</Size>");
        out += "\t\t</Emitters>\r\n";
        out += "\t\t<MotionBlur>\r\n";
        WriteKey(out, "<Enabled>", MotionBlur, "</Enabled>");
        WriteKey(out, "<Amount>", static_cast<unsigned>(BlurAmount), "</Amount>");
        out += "\t\t</MotionBlur>\r\n";
        out += "\t\t<Fog>\r\n";
        WriteKey(out, "<Enabled>", Fog, "</Enabled>");
        WriteKey(out, "<Density>", static_cast<unsigned>(FogDensity), "</Density>");
        WriteKey(out, "<Red>", static_cast<unsigned>(FogRed), "</Red>");
        WriteKey(out, "<Green>", static_cast<unsigned>(FogGreen), "</Green>");
        WriteKey(out, "<Blue>", static_cast<unsigned>(FogBlue), "</Blue>");
        out += "\t\t</Fog>\r\n";
        out += "\t</Effects>\r\n";
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
