// HTTP GET with WinINet: HTTP/1.0, reload from the server, the 401/407 loop
// of at most three sends. A stop closes the handles from the stopping thread,
// which ends any call blocked on them; the session's time-outs give up on a
// connection or read that makes no progress for the stall limit.
#include "platform/win32/WinInclude.h"

#include "platform/Download.h"

#include <wininet.h>

#include <cstring>
#include <mutex>
#include <vector>

namespace {

// The three handles, closed by whichever comes first: the download's own end
// or a stop (closing them is what breaks a blocked call out of its wait).
class Handles {
public:
    explicit Handles(DownloadStop* stop) : m_Stop(stop) {}
    ~Handles() {
        if (m_AbortInstalled) m_Stop->RemoveAbort();
        CloseAll();
    }
    bool ArmStop() {
        if (!m_Stop) return true;
        m_AbortInstalled = m_Stop->InstallAbort([this] {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_Closed = true;
            CloseLocked();
        });
        return m_AbortInstalled;
    }
    // Takes a freshly opened handle; false (and the handle closed) after a stop.
    bool Adopt(HINTERNET& slot, HINTERNET handle) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (m_Closed) {
            if (handle) InternetCloseHandle(handle);
            return false;
        }
        slot = handle;
        return handle != nullptr;
    }
    bool Stopped() const { return m_Stop && m_Stop->IsRequested(); }

    HINTERNET session = nullptr;
    HINTERNET connect = nullptr;
    HINTERNET request = nullptr;

private:
    void CloseAll() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        CloseLocked();
    }
    void CloseLocked() {
        for (HINTERNET* h : {&request, &connect, &session}) {
            if (*h) InternetCloseHandle(*h);
            *h = nullptr;
        }
    }
    DownloadStop* m_Stop;
    std::mutex m_Mutex;
    bool m_Closed = false;
    bool m_AbortInstalled = false;
};

// The text for a failed call: a stop and a time-out say so; anything else is `text`.
std::string Failure(const Handles& h, const char* text) {
    const DWORD code = GetLastError();
    if (h.Stopped()) return DownloadText::kStopped;
    if (code == ERROR_INTERNET_TIMEOUT) return DownloadStalledText();
    return text;
}

bool SetText(HINTERNET handle, DWORD option, const char* text) {
    return InternetSetOptionA(handle, option, const_cast<char*>(text), static_cast<DWORD>(std::strlen(text)) + 1) !=
           FALSE;
}

}  // namespace

std::string PlatformDownload(const DownloadRequest& rq, DownloadSink& sink) {
    using namespace DownloadText;
    DownloadStop* stop = CurrentDownloadStop();
    if (stop && stop->IsRequested()) return kStopped;
    Handles h(stop);
    if (!h.ArmStop()) return kStopped;

    const char* agent = rq.agent ? rq.agent : kDefaultDownloadAgent;
    HINTERNET session = rq.proxy ? InternetOpenA(agent, INTERNET_OPEN_TYPE_PROXY, rq.proxy, nullptr, 0)
                                 : InternetOpenA(agent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!h.Adopt(h.session, session)) return h.Stopped() ? kStopped : (rq.proxy ? kOpenProxy : kOpen);
    DWORD limit = DownloadStallLimitMs();
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionA(h.session, option, &limit, sizeof limit);

    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION |
                  INTERNET_FLAG_TRANSFER_BINARY;
    INTERNET_PORT port = static_cast<INTERNET_PORT>(rq.port);
    if (rq.secure) {
        flags |= INTERNET_FLAG_SECURE | INTERNET_FLAG_IGNORE_CERT_DATE_INVALID | INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
        if (!port) port = INTERNET_DEFAULT_HTTPS_PORT;
    }
    if (!port) port = INTERNET_DEFAULT_HTTP_PORT;
    if (rq.host.empty() || rq.port > 65535) return kConnect;

    if (!h.Adopt(h.connect, InternetConnectA(h.session, rq.host.c_str(), port, "", "", INTERNET_SERVICE_HTTP, 0, 0)))
        return Failure(h, kConnect);
    const char* accept[] = {"*/*", nullptr};
    const std::string path = rq.path.empty() ? std::string("/") : rq.path;
    if (!h.Adopt(h.request, HttpOpenRequestA(h.connect, "GET", path.c_str(), "HTTP/1.0", nullptr, accept, flags, 0)))
        return Failure(h, kOpenRequest);

    std::vector<char> buffer(4097);
    DWORD status = 0;
    int sends = 0;
    for (;;) {
        if (sends == 3) return kAuth2;
        ++sends;
        if (!HttpSendRequestA(h.request, nullptr, 0, nullptr, 0)) return Failure(h, kSend);
        DWORD size = sizeof status;
        if (!HttpQueryInfoA(h.request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
            return Failure(h, kQueryStatus);
        if (status != HTTP_STATUS_DENIED && status != HTTP_STATUS_PROXY_AUTH_REQ) break;
        DWORD got = 0;
        while (InternetReadFile(h.request, buffer.data(), 4096, &got) && got > 0) {
        }
        if (h.Stopped()) return kStopped;
        if (rq.promptForAuth) {
            // Only a caller that asked for it gets a dialog: a worker thread
            // behind a full-screen saver has nobody to answer one.
            const DWORD answer = InternetErrorDlg(GetDesktopWindow(), h.request, ERROR_INTERNET_INCORRECT_PASSWORD,
                                                  FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                                      FLAGS_ERROR_UI_FLAGS_GENERATE_DATA,
                                                  nullptr);
            if (answer == ERROR_INTERNET_FORCE_RETRY) continue;
            return kAuth1;
        }
        if (!rq.username || !rq.password) return kAuth1;
        const bool proxy = status == HTTP_STATUS_PROXY_AUTH_REQ;
        HINTERNET target = proxy ? h.request : h.connect;
        if (!SetText(target, proxy ? INTERNET_OPTION_PROXY_USERNAME : INTERNET_OPTION_USERNAME, rq.username))
            return std::string(kSetUser) + rq.username;
        if (!SetText(target, proxy ? INTERNET_OPTION_PROXY_PASSWORD : INTERNET_OPTION_PASSWORD, rq.password))
            return kSetPassword;
    }

    DWORD headerSize = 0;
    HttpQueryInfoA(h.request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &headerSize, nullptr);
    std::vector<char> headers(headerSize + 1);
    if (!HttpQueryInfoA(h.request, HTTP_QUERY_RAW_HEADERS_CRLF, headers.data(), &headerSize, nullptr))
        return Failure(h, kQueryHeaders);
    sink.Headers(std::string_view(headers.data(), headerSize));

    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(h.request, buffer.data(), 4096, &got)) return Failure(h, kRead);
        if (got == 0) break;
        sink.Body(buffer.data(), got);
    }
    // A stop that closed the handles can make the last read look like the end.
    if (h.Stopped()) return kStopped;
    return std::string();
}
