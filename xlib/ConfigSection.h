// Reading and writing the sections of the configuration files. Every module's
// Read and Write goes through these, so the tag arithmetic and the layout
// (tab indentation, CR LF lines) live in one place.
//
// Finding a value: the text between the first opening tag and the first
// closing tag after it; empty when either is missing. A section is taken out
// of the whole file that way, then each key out of the section.
//
// A value holding "<" or ">" is written escaped, so that nothing a server or a
// user supplies can open or close a section: its opening tag carries a mark,
// "<Key escaped="true">", and "&", "<" and ">" are written "&amp;", "&lt;" and
// "&gt;". The key readers and ConfigReadList undo that. Every other value is
// written and read exactly as it is.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xlib/XString.h"

// The text between the first `open` in `text` and the first `close` after it;
// empty when either is missing.
XString ConfigBetween(const XString& text, std::string_view open, std::string_view close);

// The text of the section "<tag>" ... "</tag>" (tag given without brackets);
// empty when the section is missing.
XString ConfigSectionText(const XString& whole, std::string_view tag);

// Key values inside a section (key given without brackets). A missing key
// reads 0, false or empty text.
XString ConfigReadText(const XString& section, std::string_view key);
// Leading decimal digits with an optional sign; no digits give 0.
int32_t ConfigReadInt(const XString& section, std::string_view key);
// As ConfigReadInt, but for fields written unsigned: the full 32-bit range
// reads back, and a negative text wraps as a 32-bit cast would.
uint32_t ConfigReadUInt(const XString& section, std::string_view key);
// True when the text begins with "true" in any letter case ("True", "TRUE",
// "trueish"); "yes" and "1" are false.
bool ConfigReadBool(const XString& section, std::string_view key);
// True only when the whole text is "true" in any letter case.
bool ConfigReadBoolExact(const XString& section, std::string_view key);

// Values with bounds. A value outside them is brought inside, and each such
// change writes one run-log entry naming the section, the key, the value found
// and the value used. `section` is the section's text, `where` its tag.
//
// A number: the leading decimal digits with an optional sign, read without
// any width limit (a negative or a 20-digit text is simply out of range);
// no digits give 0, as ConfigReadInt does.
int64_t ConfigReadClamped(const XString& section, std::string_view where, std::string_view key, int64_t lo,
                          int64_t hi);
// A text: cut to at most `maxLength` characters.
XString ConfigReadTextCapped(const XString& section, std::string_view where, std::string_view key,
                             unsigned maxLength);

// One entry of a numbered list ("<Picture_0>", "<Rem_3>", ...).
struct ConfigListEntry {
    uint32_t index;
    XString value;
};
// The entries "<name_i>value</name_i>" of a section with i below `count`, each
// index once, in ascending order. An entry is what ConfigReadText would take
// for its key: the first opening tag and the first closing tag after it (empty
// when that is missing). Only the canonical spelling names an entry (decimal,
// no leading zeros). The text is scanned once, whatever the count claims, so
// a damaged count or a flood of tags costs time in proportion to the text.
std::vector<ConfigListEntry> ConfigReadList(const XString& section, std::string_view name, uint64_t count);

// The container lines of a configuration file.
void ConfigFileBegin(XString& out, std::string_view name);  // <ConfigFile name="name">\r\n
void ConfigFileEnd(XString& out);                           // </ConfigFile>, no line end

// Appends one section to `out`:
//
//   ConfigSectionWriter w(out, "General");   // \t<General>\r\n
//   w.UInt("SaverSpeed", 10);                // \t\t<SaverSpeed>10</SaverSpeed>\r\n
//   w.Open("Rem_0");                         // \t\t<Rem_0>\r\n   (a nested group)
//   w.Text("Date", "20240101");              // \t\t\t<Date>20240101</Date>\r\n
//   w.Close();                               // \t\t</Rem_0>\r\n
//   w.Close();                               // \t</General>\r\n
//
// Values are written as they are, except that a value holding "<" or ">" is
// escaped as described at the top of this file. Whatever is still open
// when the writer goes out of scope is closed then.
class ConfigSectionWriter {
public:
    ConfigSectionWriter(XString& out, std::string_view tag);
    ~ConfigSectionWriter();
    ConfigSectionWriter(const ConfigSectionWriter&) = delete;
    ConfigSectionWriter& operator=(const ConfigSectionWriter&) = delete;

    void Int(std::string_view key, int32_t value);
    void UInt(std::string_view key, uint32_t value);
    void Bool(std::string_view key, bool value);  // "true" / "false"
    void Text(std::string_view key, std::string_view value);

    // Opens a nested group one level deeper than the keys around it.
    void Open(std::string_view tag);
    // Closes the innermost open group, or the section itself when no group is open.
    void Close();
    bool IsClosed() const { return m_Open.empty(); }

private:
    void Line(unsigned tabs, std::string_view a, std::string_view b = {}, std::string_view c = {},
              std::string_view d = {}, std::string_view e = {});
    void Key(std::string_view key, std::string_view value);

    XString& m_Out;
    std::vector<std::string> m_Open;  // open tags, outermost first
};
