#include "xlib/XException.h"

#include "xlib/RunLog.h"

#include <cstring>
#include <string>

XException::XException() : m_Length(0), m_Code(0) { m_Text[0] = '\0'; }

XException::XException(uint32_t code, const char* className, const char* message, const char* detail) {
    Set(code, className, message, detail);
}

void XException::Set(uint32_t code, const char* className, const char* message, const char* detail) {
    int len = 0;
    auto put = [&](const char* s) {
        if (!s) return;
        size_t n = std::strlen(s);
        size_t room = static_cast<size_t>(kCapacity - 1 - len);
        if (n > room) n = room;
        std::memcpy(m_Text + len, s, n);
        len += static_cast<int>(n);
    };
    put("Exception(Basalt): Class ");
    put(className ? className : "NULL");
    put(", Msg=");
    put(message ? message : "NULL");
    put(detail);
    m_Text[len] = '\0';
    m_Length = len;
    m_Code = code;
}

bool XException::IsCodeClass(int n) const {
    if (n == 0) return m_Code < 5000;
    if (n == 1) return m_Code >= 5000 && m_Code < 6000;
    return false;
}

XException XException::Rewrap(const XException& inner, const char* className, const char* method) {
    return Rewrap(inner, className, method, nullptr);
}

XException XException::Rewrap(const XException& inner, const char* className, const char* method, const char* step) {
    std::string msg = std::string("in ") + (method ? method : "NULL") + " failed";
    if (step && *step) msg += std::string(" ") + step;
    msg += ". Msg=";
    return XException(inner.GetCode(), className, msg.c_str(), inner.GetMessage());
}

void LogCaught(std::string_view where, const XException* caught) {
    // Logging must not throw out of a guard: a failed allocation here just loses the entry.
    try {
        std::string msg = "While in ";
        msg.append(where);
        if (caught) {
            msg += ". Msg=";
            msg += caught->GetMessage();
            WriteRunLog("XException", msg, false);
        } else {
            msg += ".";
            WriteRunLog("Exception", msg, false);
        }
    } catch (...) {
    }
}
