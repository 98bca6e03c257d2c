#include "app/SettingOverrides.h"

#include <utility>

#include "app/CGeneralConfig.h"
#include "scene/CCritters.h"
#include "scene/CEffects.h"
#include "scene/CStarFields.h"
#include "services/CSystemDateTime.h"

namespace {
template <class T>
void SwapOne(std::optional<T>& given, T& setting) {
    if (given) std::swap(*given, setting);
}
}  // namespace

bool SettingOverrides::Empty() const {
    return !critters && !ladybugs && !worms && !bees && !critterSize && !critterSpeed && !period && !stars &&
           !starScheme && !fog && !date && !time && !countdown;
}

void SwapOverrides(SettingOverrides& o, OverriddenModules m) {
    SwapOne(o.critters, m.critters.NumCritters);
    SwapOne(o.ladybugs, m.critters.LadyBugs);
    SwapOne(o.worms, m.critters.WiggleWorms);
    SwapOne(o.bees, m.critters.BuzzzyBees);
    SwapOne(o.critterSize, m.critters.Size);
    SwapOne(o.critterSpeed, m.critters.Speed);
    SwapOne(o.period, m.general.SaverSpeed);
    SwapOne(o.stars, m.stars.Enabled);
    SwapOne(o.starScheme, m.stars.ColorScheme);
    SwapOne(o.fog, m.effects.Fog);
    SwapOne(o.date, m.dateTime.DisplayDate);
    SwapOne(o.time, m.dateTime.DisplayTime);
    SwapOne(o.countdown, m.dateTime.EnableCountDown);
}
