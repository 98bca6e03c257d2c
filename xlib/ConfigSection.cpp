#include "xlib/ConfigSection.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

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

XString ConfigReadText(const XString& section, std::string_view key) {
    return ConfigBetween(section, Tag(key, false), Tag(key, true));
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
    const std::string open = Tag(key, false), close = Tag(key, true);
    Line(static_cast<unsigned>(m_Open.size()) + 1, open, value, close);
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
