// Settings given for one run (the command line of XScreenSaver's panel): they
// change what the running modules use and never what a save writes. Each is
// named as its module's settings table names it: the section and the tag.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "xlib/SettingValue.h"

struct SettingOverride {
    std::string section;  // "Critters"
    std::string tag;      // "NumCritters", or "Fog/Enabled" inside a group
    SettingValue value;
};

class SettingOverrides {
public:
    bool Empty() const { return m_Given.empty(); }
    // A later value of the same setting replaces the earlier one.
    void Set(std::string_view section, std::string_view tag, const SettingValue& value);
    void SetNumber(std::string_view section, std::string_view tag, int64_t number);
    void SetSwitch(std::string_view section, std::string_view tag, bool on);
    // nullptr when that setting is not given.
    const SettingOverride* Find(std::string_view section, std::string_view tag) const;
    std::vector<SettingOverride>& Given() { return m_Given; }
    const std::vector<SettingOverride>& Given() const { return m_Given; }

private:
    std::vector<SettingOverride> m_Given;
};
