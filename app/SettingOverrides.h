// Settings given for one run (the command line of XScreenSaver's panel): they
// change what the running modules use and never what a save writes.
#pragma once

#include <cstdint>
#include <optional>

class CCritters;
class CGeneralConfig;
class CStarFields;
class CEffects;
class CSystemDateTime;

struct SettingOverrides {
    std::optional<uint32_t> critters;  // "<NumCritters>"
    std::optional<bool> ladybugs, worms, bees;
    std::optional<int32_t> critterSize, critterSpeed;
    std::optional<uint32_t> period;  // "<SaverSpeed>", the frame period in ms
    std::optional<bool> stars;
    std::optional<int32_t> starScheme;
    std::optional<bool> fog;
    std::optional<bool> date, time, countdown;

    bool Empty() const;
};

struct OverriddenModules {
    CCritters& critters;
    CGeneralConfig& general;
    CStarFields& stars;
    CEffects& effects;
    CSystemDateTime& dateTime;
};

// Exchanges every given value with the module's setting. Done once, the run
// uses the overrides and `o` keeps the file's own values; done again, both are
// back where they were. A save does it on each side of its write, so the file
// gets its own values.
void SwapOverrides(SettingOverrides& o, OverriddenModules m);
