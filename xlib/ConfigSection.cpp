#include "xlib/ConfigSection.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <string>
#include <unordered_map>

#include "xlib/RunLog.h"

XString ConfigBetween(const XString& text, std::string_view open, std::string_view close) {
    XString result;
    if (open.empty() || close.empty()) return result;
    const std::string_view all = text.View();
    const size_t b = all.find(open);
    if (b == std::string_view::npos) return result;
    const size_t from = b + open.size();
    const size_t e = all.find(close, from);
    if (e == std::string_view::npos || e == from) return result;
    result.SetData(all.data() + from, static_cast<int>(e - from));
    return result;
}

namespace {
std::string Tag(std::string_view name, bool closing) {
    std::string t;
    t.reserve(name.size() + 3);
    t += closing ? "</" : "<";
    t += name;
    t += '>';
    return t;
}

// strtoll's reading of the leading characters; no digits give 0.
long long LeadingNumber(const XString& text) {
    errno = 0;
    return std::strtoll(text.c_str(), nullptr, 10);
}
}  // namespace

XString ConfigSectionText(const XString& whole, std::string_view tag) {
    return ConfigBetween(whole, Tag(tag, false), Tag(tag, true));
}

namespace {
// A value holding "<" or ">" could be taken for tag text by the next reader
// and change the structure of the file. Such a value is written with this
// mark on its opening tag and with "&", "<" and ">" as "&amp;", "&lt;" and
// "&gt;"; every other value stays exactly as it is, so files holding only
// ordinary values are unchanged, and an unmarked value is always read raw.
constexpr std::string_view kEscapedMark = " escaped=\"true\">";

bool NeedsEscape(std::string_view value) { return value.find_first_of("<>") != std::string_view::npos; }

std::string Escaped(std::string_view value) {
    std::string out;
    out.reserve(value.size() + value.size() / 4);
    for (const char c : value) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            default: out += c;
        }
    }
    return out;
}

// The inverse of Escaped. An "&" that starts none of the three entities is
// kept as it stands (the writer never leaves one).
XString Unescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '&') {
            const std::string_view rest = text.substr(i);
            if (rest.substr(0, 5) == "&amp;") { out += '&'; i += 5; continue; }
            if (rest.substr(0, 4) == "&lt;") { out += '<'; i += 4; continue; }
            if (rest.substr(0, 4) == "&gt;") { out += '>'; i += 4; continue; }
        }
        out += text[i++];
    }
    XString result;
    result.SetData(out.data(), static_cast<int>(out.size()));
    return result;
}
}  // namespace

XString ConfigReadText(const XString& section, std::string_view key) {
    const std::string plain = Tag(key, false);
    const std::string marked = "<" + std::string(key) + std::string(kEscapedMark);
    const std::string_view all = section.View();
    const size_t plainAt = all.find(plain);
    const size_t markedAt = all.find(marked);
    // The first opening tag wins, in either spelling.
    if (markedAt == std::string_view::npos || (plainAt != std::string_view::npos && plainAt < markedAt))
        return ConfigBetween(section, plain, Tag(key, true));
    const size_t from = markedAt + marked.size();
    const size_t e = all.find(Tag(key, true), from);
    if (e == std::string_view::npos || e == from) return XString();
    return Unescaped(all.substr(from, e - from));
}

int32_t ConfigReadInt(const XString& section, std::string_view key) { return ConfigReadText(section, key).ToInt(); }

uint32_t ConfigReadUInt(const XString& section, std::string_view key) {
    const long long v = LeadingNumber(ConfigReadText(section, key));
    if (v > static_cast<long long>(UINT32_MAX)) return UINT32_MAX;
    if (v < INT32_MIN) return static_cast<uint32_t>(INT32_MIN);
    return static_cast<uint32_t>(v);  // negative values wrap like a 32-bit cast
}

bool ConfigReadBool(const XString& section, std::string_view key) { return ConfigReadText(section, key).IsTrue(); }

bool ConfigReadBoolExact(const XString& section, std::string_view key) {
    const XString v = ConfigReadText(section, key);
    return v.GetLength() == 4 && v.IsTrue();
}

namespace {
// The value as found, short enough for a log line.
std::string Quoted(std::string_view text) {
    constexpr size_t kShown = 40;
    if (text.size() <= kShown) return "\"" + std::string(text) + "\"";
    return "\"" + std::string(text.substr(0, kShown)) + "...\" (" + std::to_string(text.size()) + " characters)";
}

void ReportClamp(std::string_view where, std::string_view key, std::string_view found, const std::string& used) {
    std::string message = "<";
    message.append(where).append("><").append(key).append("> ").append(Quoted(found));
    message += " is out of range; using " + used + ".";
    WriteRunLog("Settings", message);
}
}  // namespace

int64_t ConfigReadClamped(const XString& section, std::string_view where, std::string_view key, int64_t lo,
                          int64_t hi) {
    const XString text = ConfigReadText(section, key);
    const std::string_view v = text.View();
    size_t p = 0;
    while (p < v.size() && (v[p] == ' ' || v[p] == '\t' || v[p] == '\r' || v[p] == '\n')) ++p;
    bool negative = false;
    if (p < v.size() && (v[p] == '-' || v[p] == '+')) negative = v[p++] == '-';
    // Accumulated with saturation: anything past the bounds is out of range
    // however many digits follow.
    constexpr int64_t kBig = INT64_MAX / 10 - 10;
    int64_t magnitude = 0;
    for (; p < v.size() && v[p] >= '0' && v[p] <= '9'; ++p)
        magnitude = magnitude > kBig ? kBig : magnitude * 10 + (v[p] - '0');
    const int64_t value = negative ? -magnitude : magnitude;
    const int64_t used = value < lo ? lo : value > hi ? hi : value;
    if (used != value) ReportClamp(where, key, v, std::to_string(used));
    return used;
}

XString ConfigReadTextCapped(const XString& section, std::string_view where, std::string_view key,
                             unsigned maxLength) {
    XString text = ConfigReadText(section, key);
    if (text.GetLength() > maxLength) {
        ReportClamp(where, key, text.View(), "its first " + std::to_string(maxLength) + " characters");
        text.Truncate(maxLength);
    }
    return text;
}

namespace {
// Where in `text` each canonical "<prefix" i ">" tag lies (prefix ends in "_"),
// and whether it carries the escaped mark (opening tags only).
template <class Visit>
void ForEachNumberedTag(std::string_view text, std::string_view prefix, bool opening, Visit visit) {
    for (size_t at = text.find(prefix); at != std::string_view::npos; at = text.find(prefix, at + 1)) {
        const size_t digits = at + prefix.size();
        size_t p = digits;
        uint64_t value = 0;
        while (p < text.size() && text[p] >= '0' && text[p] <= '9' && p - digits < 10)
            value = value * 10 + static_cast<unsigned>(text[p++] - '0');
        if (p == digits || p >= text.size()) continue;
        bool escaped = false;
        size_t end = p + 1;
        if (opening && text.substr(p, kEscapedMark.size()) == kEscapedMark) {
            escaped = true;
            end = p + kEscapedMark.size();
        } else if (text[p] != '>') {
            continue;
        }
        if (text[digits] == '0' && p - digits > 1) continue;
        if (value > UINT32_MAX) continue;
        visit(static_cast<uint32_t>(value), at, end, escaped);
    }
}
}  // namespace

std::vector<ConfigListEntry> ConfigReadList(const XString& section, std::string_view name, uint64_t count) {
    std::vector<ConfigListEntry> entries;
    if (count == 0 || name.empty()) return entries;
    const std::string_view text = section.View();
    const std::string open = "<" + std::string(name) + "_";
    const std::string close = "</" + std::string(name) + "_";

    // The first opening tag of each index, and every closing tag (positions ascending).
    struct Opening {
        size_t valueAt;
        bool escaped;
    };
    std::unordered_map<uint32_t, Opening> firstOpen;
    ForEachNumberedTag(text, open, true, [&](uint32_t i, size_t, size_t valueAt, bool escaped) {
        if (i < count) firstOpen.emplace(i, Opening{valueAt, escaped});
    });
    std::unordered_map<uint32_t, std::vector<size_t>> closes;
    if (!firstOpen.empty()) {
        ForEachNumberedTag(text, close, false, [&](uint32_t i, size_t at, size_t, bool) {
            if (firstOpen.count(i)) closes[i].push_back(at);
        });
    }

    entries.reserve(firstOpen.size());
    for (const auto& [index, opening] : firstOpen) {
        ConfigListEntry entry{index, XString()};
        const size_t from = opening.valueAt;
        const auto found = closes.find(index);
        if (found != closes.end()) {
            const std::vector<size_t>& at = found->second;
            const auto e = std::lower_bound(at.begin(), at.end(), from);
            if (e != at.end() && *e > from) {
                const std::string_view value = text.substr(from, *e - from);
                if (opening.escaped)
                    entry.value = Unescaped(value);
                else
                    entry.value.SetData(value.data(), static_cast<int>(value.size()));
            }
        }
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(),
              [](const ConfigListEntry& a, const ConfigListEntry& b) { return a.index < b.index; });
    return entries;
}

void ConfigFileBegin(XString& out, std::string_view name) {
    out += "<ConfigFile name=\"";
    out.AppendData(name.data(), static_cast<unsigned>(name.size()));
    out += "\">\r\n";
}

void ConfigFileEnd(XString& out) { out += "</ConfigFile>"; }

ConfigSectionWriter::ConfigSectionWriter(XString& out, std::string_view tag) : m_Out(out) {
    Line(1, "<", tag, ">");
    m_Open.emplace_back(tag);
}

ConfigSectionWriter::~ConfigSectionWriter() {
    try {
        while (!m_Open.empty()) Close();
    } catch (...) {
        // Out of memory while finishing a section: the caller's text is lost anyway.
    }
}

void ConfigSectionWriter::Line(unsigned tabs, std::string_view a, std::string_view b, std::string_view c,
                               std::string_view d, std::string_view e) {
    m_Out.Append('\t', tabs);
    for (std::string_view part : {a, b, c, d, e})
        if (!part.empty()) m_Out.AppendData(part.data(), static_cast<unsigned>(part.size()));
    m_Out += "\r\n";
}

void ConfigSectionWriter::Key(std::string_view key, std::string_view value) {
    const unsigned tabs = static_cast<unsigned>(m_Open.size()) + 1;
    const std::string close = Tag(key, true);
    if (NeedsEscape(value)) {
        Line(tabs, "<", key, kEscapedMark, Escaped(value), close);
        return;
    }
    Line(tabs, Tag(key, false), value, close);
}

void ConfigSectionWriter::Int(std::string_view key, int32_t value) { Key(key, std::to_string(value)); }

void ConfigSectionWriter::UInt(std::string_view key, uint32_t value) { Key(key, std::to_string(value)); }

void ConfigSectionWriter::Bool(std::string_view key, bool value) { Key(key, value ? "true" : "false"); }

void ConfigSectionWriter::Text(std::string_view key, std::string_view value) { Key(key, value); }

void ConfigSectionWriter::Open(std::string_view tag) {
    Line(static_cast<unsigned>(m_Open.size()) + 1, "<", tag, ">");
    m_Open.emplace_back(tag);
}

void ConfigSectionWriter::Close() {
    if (m_Open.empty()) return;
    const std::string tag = m_Open.back();
    m_Open.pop_back();
    Line(static_cast<unsigned>(m_Open.size()) + 1, "</", tag, ">");
}
