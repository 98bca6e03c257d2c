#include "app/CGeneralConfig.h"

#include "xlib/SettingsTable.h"

#include "xlib/ConfigSection.h"
#include "xlib/XException.h"

namespace {
constexpr Setting<CGeneralConfig> kRows[] = {
    // A negative or huge frame period would hold the first frame back for weeks.
    SettingOf("SaverSpeed", &CGeneralConfig::SaverSpeed, 10u)
        .Clamp(0, CGeneralConfig::kMaxSaverSpeed)
        .Label("Frame period (ms)"),
    SettingOf("RenderStyle", &CGeneralConfig::RenderStyle, 2u),
    SettingOf("PolygonDetail", &CGeneralConfig::PolygonDetail, 1u),
};
constexpr SettingsTable<CGeneralConfig> kTable("General", kRows);
}  // namespace

const SettingsTable<CGeneralConfig>& CGeneralConfig::Settings() { return kTable; }

template class TabledModule<CGeneralConfig>;

void CGeneralConfig::Default() { kTable.Default(*this); }

void CGeneralConfig::Read(const XString& whole) {
    XGuard("CGeneralConfig::Read", [&] {
        if (!kTable.Read(*this, whole)) Default();
    });
}

void CGeneralConfig::Write(XString& out) const {
    XGuard("CGeneralConfig::Write", [&] {
        kTable.WriteSection(*this, out);
    });
}
