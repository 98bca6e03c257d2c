#include "app/CGeneralConfig.h"

#include "xlib/ConfigSection.h"

void CGeneralConfig::Read(const XString& whole) {
    XGuard("CGeneralConfig::Read", [&] {
        const XString section = ConfigSectionText(whole, "General");
        if (section.IsEmpty()) {
            Default();
            return;
        }
        // The frame period: what the settings offer. A negative or huge value
        // would hold the first frame back for weeks.
        SaverSpeed = static_cast<uint32_t>(ConfigReadClamped(section, "General", "SaverSpeed", 0, kMaxSaverSpeed));
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
