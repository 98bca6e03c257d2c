// What every module's settings table must hold, checked once for all of them:
// a tag names one row within its group, a default lies inside the range the
// row offers, and a section tag is the module's own.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/CGeneralConfig.h"
#include "app/CVideoMode.h"
#include "scene/CBgBitmap.h"
#include "scene/CCritters.h"
#include "scene/CEffects.h"
#include "scene/CStarFields.h"
#include "services/CEmail.h"
#include "services/CInternet.h"
#include "services/CReminders.h"
#include "services/CSystemAlarm.h"
#include "services/CSystemCDPlayer.h"
#include "services/CSystemDateTime.h"
#include "services/CWallPaper.h"
#include "services/CWeatherData.h"
#include "xlib/SettingsTable.h"

namespace {
template <class Module>
void CheckTable(std::set<std::string>& sections) {
    const SettingsTable<Module>& table = Module::Settings();
    const std::string section = table.Section();
    EXPECT_TRUE(sections.insert(section).second) << "two modules own <" << section << ">";
    std::set<std::string> tags;
    for (const Setting<Module>& row : table) {
        const std::string path = std::string(row.group ? row.group : "") + "/" + row.tag;
        EXPECT_TRUE(tags.insert(path).second) << section << ": " << path << " twice";
        const int members = (row.flag != nullptr) + (row.integer != nullptr) + (row.count != nullptr) +
                            (row.text != nullptr) + (row.date != nullptr) + (row.set != nullptr);
        EXPECT_EQ(1, members) << section << ": " << path;
        if (row.ranged) {
            EXPECT_LE(row.lo, row.hi) << section << ": " << path;
            EXPECT_GE(row.def, row.lo) << section << ": " << path << " defaults below its range";
            EXPECT_LE(row.def, row.hi) << section << ": " << path << " defaults above its range";
        }
        // What a one-run option or a view is told agrees with the row.
        SettingInfo info;
        ASSERT_TRUE(table.Describe(row.group ? path : std::string(row.tag), info)) << path;
        EXPECT_EQ(row.ranged, info.ranged) << path;
    }
}
}  // namespace

TEST(ModuleSettings, EveryTableIsWellFormed) {
    std::set<std::string> sections;
    CheckTable<CGeneralConfig>(sections);
    CheckTable<CVideoMode>(sections);
    CheckTable<CBgBitmap>(sections);
    CheckTable<CCritters>(sections);
    CheckTable<CEffects>(sections);
    CheckTable<CStarFields>(sections);
    CheckTable<CEmail>(sections);
    CheckTable<CInternet>(sections);
    CheckTable<CReminders>(sections);
    CheckTable<CSystemAlarm>(sections);
    CheckTable<CSystemCDPlayer>(sections);
    CheckTable<CSystemDateTime>(sections);
    CheckTable<CWallPaper>(sections);
    CheckTable<CWeatherData>(sections);
    EXPECT_EQ(14u, sections.size());
}
