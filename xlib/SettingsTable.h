// Settings declared once. A module lists its settings as rows of a table: the
// tag, the member, how the stored text is read back, the default, the bounds
// and the label the settings views show. One generic routine gives the
// defaults, reads a section, writes it and brings values inside their bounds.
// What a table cannot say (numbered lists, the encrypted fields, dates) stays
// the module's own code, around the table's rows.
//
//   constexpr Setting<CStars> kRows[] = {
//       SettingOf("Enabled", &CStars::Enabled, false).Exact().Label("Show the star field"),
//       SettingOf("Amount", &CStars::Amount, 1000).Clamp(0, 9999),
//   };
//   constexpr SettingsTable<CStars> kStarsTable("Stars", kRows);
//
// The file's spelling of every kind stays as it always was: "true"/"false",
// decimal numbers, texts escaped only where ConfigSection escapes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "xlib/ConfigSection.h"
#include "xlib/SaverModule.h"
#include "xlib/SettingValue.h"
#include "xlib/XDateTime.h"
#include "xlib/XString.h"

// How a row's stored text becomes its value. The files have long held several
// spellings, and each keeps its meaning.
enum class SettingRead : uint8_t {
    // A switch: the text begins with "true" in any letter case. A signed
    // number: the leading digits. An unsigned one: the full 32-bit range. A
    // text: as stored.
    Plain,
    // A switch that is on only when the whole text is "true" in any letter case.
    Exact,
    // A number brought into [lo, hi]; each change writes one "Settings" run-log entry.
    Clamped,
    // A text cut to `hi` characters, with the same entry.
    Capped,
    // A text without the blanks at either end, on reading and on writing.
    Trimmed,
};

template <class Owner>
struct Setting {
    const char* tag = nullptr;
    // Exactly one member (or the get/set pair below) is set: it says the row's type.
    bool Owner::*flag = nullptr;
    int32_t Owner::*integer = nullptr;
    uint32_t Owner::*count = nullptr;
    XString Owner::*text = nullptr;
    // A moment stored as text in `pattern` ("YYYYMMDDhhmmtt"): it defaults to
    // now, and is read to the start of its stored minute; a text that does not
    // parse leaves the value as it was.
    XDateTime Owner::*date = nullptr;
    const char* pattern = nullptr;
    int64_t def = 0;
    const char* defText = "";
    SettingRead read = SettingRead::Plain;
    int64_t lo = 0, hi = 0;
    // Whether [lo, hi] is the range offered (set by Clamp and Range).
    bool ranged = false;
    // The nested group the key sits in ("<Fog>" inside "<Effects>"); rows of
    // one group follow each other.
    const char* group = nullptr;
    // A signed number written with its sign; otherwise written as the
    // unsigned 32-bit value it casts to, as most sections always have been.
    bool writeSigned = false;
    // A text written only when it is not empty.
    bool onlyWhenSet = false;
    // The number written instead of the member's (a count kept by a list).
    uint32_t (*written)(const Owner&) = nullptr;
    // A signed number the module keeps in a form of its own (the alarm's
    // hour inside a time): read through `set`, written signed from `get`.
    int32_t (*get)(const Owner&) = nullptr;
    void (*set)(Owner&, int32_t) = nullptr;
    // What the settings views call it; empty for a setting no view shows.
    const char* label = "";

    constexpr Setting In(const char* g) const { return With([&](Setting& s) { s.group = g; }); }
    constexpr Setting Exact() const { return With([](Setting& s) { s.read = SettingRead::Exact; }); }
    constexpr Setting Clamp(int64_t low, int64_t high) const {
        return With([&](Setting& s) {
            s.read = SettingRead::Clamped;
            s.lo = low;
            s.hi = high;
            s.ranged = true;
        });
    }
    // The range a settings view or a command-line option offers, for a
    // number read without bounds (a star scheme past the last keeps the colours).
    constexpr Setting Range(int64_t low, int64_t high) const {
        return With([&](Setting& s) {
            s.lo = low;
            s.hi = high;
            s.ranged = true;
        });
    }
    constexpr Setting Cap(unsigned maxLength) const {
        return With([&](Setting& s) {
            s.read = SettingRead::Capped;
            s.hi = maxLength;
        });
    }
    constexpr Setting Trim() const { return With([](Setting& s) { s.read = SettingRead::Trimmed; }); }
    constexpr Setting Signed() const { return With([](Setting& s) { s.writeSigned = true; }); }
    constexpr Setting WhenSet() const { return With([](Setting& s) { s.onlyWhenSet = true; }); }
    constexpr Setting WrittenAs(uint32_t (*f)(const Owner&)) const {
        return With([&](Setting& s) { s.written = f; });
    }
    constexpr Setting Label(const char* text) const { return With([&](Setting& s) { s.label = text; }); }

private:
    template <class F>
    constexpr Setting With(F change) const {
        Setting s = *this;
        change(s);
        return s;
    }
};

template <class Owner>
constexpr Setting<Owner> SettingOf(const char* tag, bool Owner::*member, bool def) {
    Setting<Owner> s;
    s.tag = tag;
    s.flag = member;
    s.def = def;
    return s;
}
template <class Owner>
constexpr Setting<Owner> SettingOf(const char* tag, int32_t Owner::*member, int32_t def) {
    Setting<Owner> s;
    s.tag = tag;
    s.integer = member;
    s.def = def;
    return s;
}
template <class Owner>
constexpr Setting<Owner> SettingOf(const char* tag, uint32_t Owner::*member, uint32_t def) {
    Setting<Owner> s;
    s.tag = tag;
    s.count = member;
    s.def = def;
    return s;
}
template <class Owner>
constexpr Setting<Owner> SettingOf(const char* tag, XString Owner::*member, const char* def) {
    Setting<Owner> s;
    s.tag = tag;
    s.text = member;
    s.defText = def;
    return s;
}

template <class Owner>
constexpr Setting<Owner> SettingOf(const char* tag, int32_t (*get)(const Owner&), void (*set)(Owner&, int32_t),
                                   int32_t def) {
    Setting<Owner> s;
    s.tag = tag;
    s.get = get;
    s.set = set;
    s.def = def;
    s.writeSigned = true;
    return s;
}

template <class Owner>
constexpr Setting<Owner> SettingOf(const char* tag, XDateTime Owner::*member, const char* pattern) {
    Setting<Owner> s;
    s.tag = tag;
    s.date = member;
    s.pattern = pattern;
    return s;
}

// The text a Trimmed row keeps: without the spaces at either end.
XString SettingTrimmed(XString text);

template <class Owner>
class SettingsTable {
public:
    template <size_t N>
    constexpr SettingsTable(const char* section, const Setting<Owner> (&rows)[N])
        : m_Section(section), m_Rows(rows), m_Count(N) {}

    const char* Section() const { return m_Section; }
    const Setting<Owner>* begin() const { return m_Rows; }
    const Setting<Owner>* end() const { return m_Rows + m_Count; }
    size_t size() const { return m_Count; }
    // The row of a tag, written "Group/Tag" for a key inside a group
    // ("Fog/Enabled"); a bare tag names the first row of that tag. nullptr when none.
    const Setting<Owner>* Find(std::string_view path) const {
        const size_t slash = path.find('/');
        const std::string_view group = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
        const std::string_view tag = slash == std::string_view::npos ? path : path.substr(slash + 1);
        for (const Setting<Owner>& s : *this)
            if (tag == s.tag && (group.empty() || (s.group && group == s.group))) return &s;
        return nullptr;
    }

    bool Describe(std::string_view path, SettingInfo& info) const {
        const Setting<Owner>* s = Find(path);
        if (!s) return false;
        info.type = s->flag ? SettingInfo::kSwitch : s->text ? SettingInfo::kText
                                                 : s->date ? SettingInfo::kMoment
                                                           : SettingInfo::kNumber;
        info.def = s->def;
        info.ranged = s->ranged;
        info.lo = s->lo;
        info.hi = s->hi;
        info.label = s->label;
        return true;
    }

    // Exchanges the owner's value of a row with `value`: done twice, both are
    // back where they were. False when no row has that tag.
    bool Exchange(Owner& o, std::string_view path, SettingValue& value) const {
        const Setting<Owner>* s = Find(path);
        if (!s) return false;
        if (s->flag) {
            const bool mine = o.*s->flag;
            o.*s->flag = value.flag;
            value.flag = mine;
        } else if (s->integer || s->count || s->set) {
            const int64_t mine = s->integer ? o.*s->integer : s->count ? o.*s->count : s->get(o);
            if (s->integer) o.*s->integer = static_cast<int32_t>(value.number);
            if (s->count) o.*s->count = static_cast<uint32_t>(value.number);
            if (s->set) s->set(o, static_cast<int32_t>(value.number));
            value.number = mine;
        } else if (s->text) {
            XString mine = o.*s->text;
            o.*s->text = value.text;
            value.text = mine;
        } else if (s->date) {
            XString mine;
            (o.*s->date).Format(mine, s->pattern);
            XDateTime given = o.*s->date;
            if (given.Parse(value.text.c_str(), s->pattern)) o.*s->date = given;
            value.text = mine;
        }
        return true;
    }

    void Default(Owner& o) const {
        for (const Setting<Owner>& s : *this) {
            if (s.flag) o.*s.flag = s.def != 0;
            if (s.integer) o.*s.integer = static_cast<int32_t>(s.def);
            if (s.count) o.*s.count = static_cast<uint32_t>(s.def);
            if (s.text) o.*s.text = s.defText;
            if (s.set) s.set(o, static_cast<int32_t>(s.def));
            if (s.date) {
                o.*s.date = XDateTime();
                (o.*s.date).SetToNow();
            }
        }
    }

    // The rows from the whole file's text. False, with nothing changed, when
    // the section is missing or empty: the module then takes its defaults.
    // Inside a present section a missing key reads 0, false or empty text.
    // `section` receives the section's text for what the module reads itself.
    bool Read(Owner& o, const XString& whole, XString* section = nullptr) const {
        XString own = ConfigSectionText(whole, m_Section);
        if (own.IsEmpty()) return false;
        ReadRows(o, own);
        if (section) *section = own;
        return true;
    }
    void ReadRows(Owner& o, const XString& section) const {
        const char* group = nullptr;
        XString groupText;
        for (const Setting<Owner>& s : *this) {
            if (s.group && (!group || std::string_view(group) != s.group)) {
                group = s.group;
                groupText = ConfigSectionText(section, group);
            }
            ReadRow(o, s, s.group ? groupText : section);
        }
    }

    // The whole section, for a module whose section is its table.
    void WriteSection(const Owner& o, XString& out) const {
        ConfigSectionWriter w(out, m_Section);
        Write(o, w);
    }
    // The rows into an open section, each group opened and closed around its rows.
    void Write(const Owner& o, ConfigSectionWriter& w) const {
        const char* group = nullptr;
        for (const Setting<Owner>& s : *this) {
            if (group && (!s.group || std::string_view(group) != s.group)) {
                w.Close();
                group = nullptr;
            }
            if (s.group && !group) {
                w.Open(s.group);
                group = s.group;
            }
            WriteRow(o, s, w);
        }
        if (group) w.Close();
    }

private:
    void ReadRow(Owner& o, const Setting<Owner>& s, const XString& in) const {
        if (s.flag) {
            o.*s.flag = s.read == SettingRead::Exact ? ConfigReadBoolExact(in, s.tag) : ConfigReadBool(in, s.tag);
        } else if (s.integer) {
            o.*s.integer = s.read == SettingRead::Clamped
                               ? static_cast<int32_t>(ConfigReadClamped(in, m_Section, s.tag, s.lo, s.hi))
                               : ConfigReadInt(in, s.tag);
        } else if (s.count) {
            o.*s.count = s.read == SettingRead::Clamped
                             ? static_cast<uint32_t>(ConfigReadClamped(in, m_Section, s.tag, s.lo, s.hi))
                             : ConfigReadUInt(in, s.tag);
        } else if (s.set) {
            s.set(o, s.read == SettingRead::Clamped
                         ? static_cast<int32_t>(ConfigReadClamped(in, m_Section, s.tag, s.lo, s.hi))
                         : ConfigReadInt(in, s.tag));
        } else if (s.date) {
            XDateTime value = o.*s.date;
            value.SetSecond(0);
            value.SetMillisecond(0);
            if (value.Parse(ConfigReadText(in, s.tag).c_str(), s.pattern)) o.*s.date = value;
        } else if (s.text) {
            if (s.read == SettingRead::Capped)
                o.*s.text = ConfigReadTextCapped(in, m_Section, s.tag, static_cast<unsigned>(s.hi));
            else if (s.read == SettingRead::Trimmed)
                o.*s.text = SettingTrimmed(ConfigReadText(in, s.tag));
            else
                o.*s.text = ConfigReadText(in, s.tag);
        }
    }
    static void WriteRow(const Owner& o, const Setting<Owner>& s, ConfigSectionWriter& w) {
        if (s.flag) {
            w.Bool(s.tag, o.*s.flag);
        } else if (s.written) {
            w.UInt(s.tag, s.written(o));
        } else if (s.get) {
            w.Int(s.tag, s.get(o));
        } else if (s.integer) {
            if (s.writeSigned)
                w.Int(s.tag, o.*s.integer);
            else
                w.UInt(s.tag, static_cast<uint32_t>(o.*s.integer));
        } else if (s.count) {
            w.UInt(s.tag, o.*s.count);
        } else if (s.date) {
            XString value;
            (o.*s.date).Format(value, s.pattern);
            w.Text(s.tag, value.View());
        } else if (s.text) {
            const XString& value = o.*s.text;
            if (s.onlyWhenSet && value.IsEmpty()) return;
            if (s.read == SettingRead::Trimmed)
                w.Text(s.tag, SettingTrimmed(value).View());
            else
                w.Text(s.tag, value.View());
        }
    }

    const char* m_Section;
    const Setting<Owner>* m_Rows;
    size_t m_Count;
};

template <class Module>
const char* TabledModule<Module>::Section() const {
    return Module::Settings().Section();
}
template <class Module>
bool TabledModule<Module>::ExchangeSetting(std::string_view tag, SettingValue& value) {
    return Module::Settings().Exchange(static_cast<Module&>(*this), tag, value);
}
template <class Module>
bool TabledModule<Module>::DescribeSetting(std::string_view tag, SettingInfo& info) const {
    return Module::Settings().Describe(tag, info);
}
