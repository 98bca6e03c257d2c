#include "app/CScreenSaverModules.h"

#include <algorithm>
#include <vector>

const std::vector<CScreenSaver::ModuleRow>& CScreenSaver::Registry() {
    using S = CScreenSaver;
    // clang-format off
    // Never destroyed: the process's two instances are function statics
    // themselves, and their destructors use the registry after any static
    // made later than them would be gone.
    static const std::vector<ModuleRow>& rows = *new std::vector<ModuleRow>{
        // module, in the main file's section order                      setup process draw flags
        {[](S& s) -> SaverModule& { return s.m_General; },     0, 0, 0, 0},
        {[](S& s) -> SaverModule& { return s.m_Critters; },    8, 6, 2, 0},
        {[](S& s) -> SaverModule& { return s.m_BgBitmap; },    1, 1, 1, kBeforeCamera | kReleaseWithoutContext},
        {[](S& s) -> SaverModule& { return s.m_Stars; },       2, 2, 1, 0},
        {[](S& s) -> SaverModule& { return s.m_CDPlayer; },    3, 8, 0, kFullSizeOnly | kSetupActsOutside},
        {[](S& s) -> SaverModule& { return s.m_Alarm; },       0, 7, 0, kFullSizeOnly},
        {[](S& s) -> SaverModule& { return s.m_Wallpaper; },   4, 0, 0, 0},
        {[](S& s) -> SaverModule& { return s.m_Reminders; },   0, 0, 0, 0},
        {[](S& s) -> SaverModule& { return s.m_Email; },       5, 3, 3, 0},
        {[](S& s) -> SaverModule& { return s.m_DateTime; },    6, 4, 4, 0},
        {[](S& s) -> SaverModule& { return s.m_Effects; },     9, 0, 0, 0},
        {[](S& s) -> SaverModule& { return s.m_Internet; },    0, 0, 0, 0},
        {[](S& s) -> SaverModule& { return s.m_Weather; },     7, 5, 5, 0},
        {[](S& s) -> SaverModule& { return s.m_VideoMode; },   0, 0, 0, 0},
    };
    // clang-format on
    return rows;
}

namespace {
// The rows that take part in a call (rank above 0), in its order.
template <class Rank>
std::vector<const CScreenSaver::ModuleRow*> InTurn(const std::vector<CScreenSaver::ModuleRow>& rows, Rank rank) {
    std::vector<const CScreenSaver::ModuleRow*> order;
    for (const CScreenSaver::ModuleRow& row : rows)
        if (rank(row) > 0) order.push_back(&row);
    std::stable_sort(order.begin(), order.end(), [&](auto* a, auto* b) { return rank(*a) < rank(*b); });
    return order;
}
}  // namespace

const CScreenSaver::CallOrder& CScreenSaver::Calls() {
    // Never destroyed, as the registry.
    static const CallOrder& order = *[] {
        auto* o = new CallOrder;
        o->setup = InTurn(Registry(), [](const ModuleRow& r) { return r.setup; });
        o->process = InTurn(Registry(), [](const ModuleRow& r) { return r.process; });
        o->draw = InTurn(Registry(), [](const ModuleRow& r) { return r.draw; });
        return o;
    }();
    return order;
}


void CScreenSaver::SwapOverrides() {
    for (SettingOverride& o : m_Overrides.Given())
        for (const ModuleRow& row : Registry())
            if (o.section == row.of(*this).Section()) row.of(*this).ExchangeSetting(o.tag, o.value);
}

const char* CScreenSaver::SectionOf(const ModuleRow& row) { return row.of(*this).Section(); }

std::vector<std::string_view> CScreenSaver::MainSections() {
    std::vector<std::string_view> sections;
    for (const ModuleRow& row : Registry()) sections.push_back(row.of(*this).Section());
    return sections;
}

bool CScreenSaver::DescribeSetting(std::string_view section, std::string_view tag, SettingInfo& info) {
    for (const ModuleRow& row : Registry())
        if (section == row.of(*this).Section()) return row.of(*this).DescribeSetting(tag, info);
    return false;
}
