// The one exception type of the foundation library, and the guard every
// application method wraps its body in.
#pragma once

#include <cstdint>
#include <exception>
#include <string_view>

// Error codes the library throws. Below 5000: resource and usage errors;
// 5000..5999: an operation failed.
enum : uint32_t {
    XERR_NO_MEMORY = 1,
    XERR_INDEX = 2,
    XERR_NULL_ARGUMENT = 3,
    XERR_FORMAT = 5019,
};

class XException {
public:
    static constexpr int kCapacity = 2048;  // bytes, terminating NUL included

    XException();
    XException(uint32_t code, const char* className, const char* message, const char* detail = nullptr);

    // Composes "Exception(Basalt): Class <cls>, Msg=<message><detail>"; any argument may be null.
    // Text that would not fit is cut at kCapacity - 1 characters.
    void Set(uint32_t code, const char* className, const char* message, const char* detail);

    const char* GetMessage() const { return m_Text; }
    int GetLength() const { return m_Length; }
    uint32_t GetCode() const { return m_Code; }
    // 0: resource/usage class (code < 5000); 1: operation class (5000..5999).
    bool IsCodeClass(int n) const;

    // Library re-wrap: keeps the inner code, its own class and "in <method> failed. Msg=" before the inner text.
    static XException Rewrap(const XException& inner, const char* className, const char* method);
    // The same with the step that failed: "in <method> failed <step>. Msg=".
    static XException Rewrap(const XException& inner, const char* className, const char* method, const char* step);

private:
    char m_Text[kCapacity];
    int m_Length;
    uint32_t m_Code;
};

// Writes the run-log entry for something caught at an application boundary.
// `where` is "CClass::Method", "CClass constructor", "WinMain", "main RunConfigDialog", ...
// With an XException: subject "XException", message "While in <where>. Msg=<text>".
// Anything else: subject "Exception", message "While in <where>.".
void LogCaught(std::string_view where, const XException* caught);

// The module convention in one place: run `body`, turn whatever escapes into one
// run-log entry, never rethrow. Returns true when the body completed.
template <class Body>
bool XGuard(std::string_view where, Body&& body) noexcept {
    try {
        body();
        return true;
    } catch (const XException& e) {
        LogCaught(where, &e);
    } catch (...) {
        LogCaught(where, nullptr);
    }
    return false;
}
