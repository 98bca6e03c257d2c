// XString's web operations: one HTTP GET into the string, and query encoding.
// The request itself is the platform's (platform/Download.h); this file reads
// the URL and assembles the result.
#include "xlib/XString.h"

#include "platform/Download.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Host, port and object path of a URL. A scheme ends at a "//" that comes
// before any other "/", so a path holding "//" is never taken for one; a query
// right after the host counts as the path, as it does for a browser.
bool SplitUrl(const char* url, DownloadRequest& rq) {
    std::string rest(url);
    const size_t slash = rest.find('/');
    if (slash != std::string::npos && slash + 1 < rest.size() && rest[slash + 1] == '/') rest.erase(0, slash + 2);
    const size_t pathAt = rest.find_first_of("/?");
    std::string host = rest.substr(0, pathAt);
    rq.path = pathAt == std::string::npos ? std::string() : rest.substr(pathAt);
    if (!rq.path.empty() && rq.path[0] == '?') rq.path.insert(0, "/");
    rq.port = 0;
    const size_t colon = host.rfind(':');
    if (colon != std::string::npos) {
        const std::string digits = host.substr(colon + 1);
        host.erase(colon);
        if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        rq.port = static_cast<unsigned>(std::stoul(digits));
        if (rq.port == 0 || rq.port > 65535) return false;
    }
    rq.host = host;
    return true;
}

class StringSink : public DownloadSink {
public:
    StringSink(XString& into, bool withHeaders) : m_Into(into), m_WithHeaders(withHeaders) {}
    void Headers(std::string_view raw) override {
        if (!m_WithHeaders) return;
        try {
            m_Into.AppendData(raw.data(), static_cast<unsigned>(raw.size()));
            m_Into += "\r\n***END OF HEADERS***\r\n";
        } catch (const XException& e) {
            throw XException::Rewrap(e, "XString", "DownloadFile");
        }
    }
    void Body(const char* bytes, size_t n) override {
        try {
            m_Into.AppendData(bytes, static_cast<unsigned>(n));
        } catch (const XException& e) {
            throw XException(e.GetCode(), "XString", "in DownloadFile failed appending data. Msg=", e.GetMessage());
        }
    }

private:
    XString& m_Into;
    bool m_WithHeaders;
};

}  // namespace

bool XString::DownloadFile(const char* url, bool bIncludeHeaders, const char* username, const char* password,
                           const char* agentName, const char* proxy, bool bSecure, bool bPromptForAuth) {
    ClearError();
    if (!url) return Fail("Error: in XString::DownloadFile Url is NULL.");
    DownloadRequest rq;
    const bool urlOk = SplitUrl(url, rq);
    try {
        AssignRaw("", 0);
    } catch (const XException& e) {
        throw XException::Rewrap(e, "XString", "DownloadFile");
    }
    if (!urlOk) return Fail(DownloadText::kConnect);
    rq.username = username;
    rq.password = password;
    rq.agent = agentName;
    rq.proxy = proxy;
    rq.secure = bSecure;
    rq.promptForAuth = bPromptForAuth;
    const DownloadLimits limits = CurrentDownloadLimits();
    rq.maxBytes = limits.maxBytes;
    rq.overallMs = limits.overallMs;
    StringSink sink(*this, bIncludeHeaders);
    std::string error;
    if (!PlatformDownload(rq, sink, error)) {
        // Whatever came before the failure goes, and with it the room it took:
        // an answer cut off at its cap must not keep the cap's memory.
        std::free(m_pHeap);
        m_pHeap = nullptr;
        m_Capacity = 0;
        m_Length = 0;
        m_Local[0] = '\0';
        return Fail(error);
    }
    return true;
}

void XString::UrlEncode(bool bStrict) {
    static const char kHex[] = "0123456789ABCDEF";
    try {
        XString out(false, false);
        for (unsigned i = 0; i < m_Length; ++i) {
            const unsigned char c = static_cast<unsigned char>(Data()[i]);
            const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
            if (c == ' ') {
                out += '+';
            } else if (alnum || (!bStrict && c != '\0' && std::strchr("&-./:;=?@_", c))) {
                out += static_cast<char>(c);
            } else {
                const char code[3] = {'%', kHex[c >> 4], kHex[c & 0xF]};
                out.AppendData(code, 3);
            }
        }
        *this = out;
    } catch (const XException& e) {
        throw XException::Rewrap(e, "XString", "UrlEncode");
    }
}
