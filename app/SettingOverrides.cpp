#include "app/SettingOverrides.h"

void SettingOverrides::Set(std::string_view section, std::string_view tag, const SettingValue& value) {
    for (SettingOverride& o : m_Given)
        if (o.section == section && o.tag == tag) {
            o.value = value;
            return;
        }
    m_Given.push_back({std::string(section), std::string(tag), value});
}

void SettingOverrides::SetNumber(std::string_view section, std::string_view tag, int64_t number) {
    SettingValue v;
    v.number = number;
    Set(section, tag, v);
}

void SettingOverrides::SetSwitch(std::string_view section, std::string_view tag, bool on) {
    SettingValue v;
    v.flag = on;
    Set(section, tag, v);
}

const SettingOverride* SettingOverrides::Find(std::string_view section, std::string_view tag) const {
    for (const SettingOverride& o : m_Given)
        if (o.section == section && o.tag == tag) return &o;
    return nullptr;
}
