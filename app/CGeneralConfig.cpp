#include "app/CGeneralConfig.h"

#include "xlib/ConfigSection.h"

void CGeneralConfig::Read(const XString& whole) {
    XGuard("CGeneralConfig::Read", [&] {
        const XString section = ConfigSectionText(whole, "General");
        if (section.IsEmpty()) {
            Default();
            return;
        }
        SaverSpeed = ConfigReadUInt(section, "SaverSpeed");
        RenderStyle = ConfigReadUInt(section, "RenderStyle");
        PolygonDetail = ConfigReadUInt(section, "PolygonDetail");
    });
}

void CGeneralConfig::Write(XString& out) const {
    XGuard("CGeneralConfig::Write", [&] {
        ConfigSectionWriter w(out, "General");
        w.UInt("SaverSpeed", SaverSpeed);
        w.UInt("RenderStyle", RenderStyle);
        w.UInt("PolygonDetail", PolygonDetail);
        w.Close();
    });
}
