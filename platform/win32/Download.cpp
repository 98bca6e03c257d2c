// HTTP GET with WinINet: HTTP/1.0, reload from the server, the 401/407 loop
// of at most three sends; the handles' time-outs give up on a connection or
// read that makes no progress for the stall limit.
//
// A blocked WinINet call cannot be relied on to return when its handle is
// closed from another thread (Wine's does not), so the transfer runs on a
// thread of its own and the caller waits for it or for a stop, whichever
// comes first; the caller's wait also ends at the request's overall limit,
// which WinINet has no option for. After a stop the caller returns at once; the transfer thread
// has its handles closed and ends by itself (at the latest when the time-out
// passes), touching nothing of the caller's.
#include "platform/win32/WinInclude.h"

#include "platform/Download.h"

#include <wininet.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// One download, shared by the caller and the transfer thread.
struct Job {
    // The request, with copies of the caller's texts: the thread may outlive them.
    std::string host, path, username, password, agent, proxy;
    bool hasUser = false, hasPassword = false, hasProxy = false;
    unsigned port = 0;
    bool secure = false, promptForAuth = false;
    unsigned limitMs = 30000;
    size_t maxBytes = 0;  // 0: no cap
    // Set when the caller stopped waiting at the overall limit: the thread
    // reads no further.
    std::atomic<bool> gaveUp{false};

    // The answer.
    std::string headers, body, error;
    HANDLE done = nullptr;

    // The handles, closed by the thread at its end or by a stop.
    std::mutex mutex;
    bool closed = false;
    HINTERNET session = nullptr, connect = nullptr, request = nullptr;
    ULONGLONG waitStart = 0;

    ~Job() {
        CloseAll();
        if (done) CloseHandle(done);
    }
    // Takes a freshly opened handle; false (and the handle closed) after a stop.
    bool Adopt(HINTERNET& slot, HINTERNET handle) {
        std::lock_guard<std::mutex> lock(mutex);
        if (closed) {
            if (handle) InternetCloseHandle(handle);
            return false;
        }
        slot = handle;
        return handle != nullptr;
    }
    void CloseAll() {
        std::lock_guard<std::mutex> lock(mutex);
        for (HINTERNET* h : {&request, &connect, &session}) {
            if (*h) InternetCloseHandle(*h);
            *h = nullptr;
        }
    }
    void Abandon() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            closed = true;
        }
        CloseAll();
    }
    void StartWait() { waitStart = GetTickCount64(); }
    // The text for a failed call. Not every WinINet reports a time-out as
    // such, so a call that failed after waiting out the whole limit counts as one.
    std::string Failure(const char* text) const {
        const DWORD code = GetLastError();
        const ULONGLONG waited = GetTickCount64() - waitStart;
        if (code == ERROR_INTERNET_TIMEOUT || waited + limitMs / 20 >= limitMs) return DownloadStalledText();
        return text;
    }
    void SetTimeouts(HINTERNET handle) {
        DWORD limit = limitMs;
        for (DWORD option :
             {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
            InternetSetOptionA(handle, option, &limit, sizeof limit);
    }
};

bool SetText(HINTERNET handle, DWORD option, const std::string& text) {
    return InternetSetOptionA(handle, option, const_cast<char*>(text.c_str()), static_cast<DWORD>(text.size()) + 1) !=
           FALSE;
}

// The whole transfer, on the transfer thread; the result lands in the job.
std::string Transfer(Job& j) {
    using namespace DownloadText;
    const char* agent = j.agent.c_str();
    HINTERNET session = j.hasProxy ? InternetOpenA(agent, INTERNET_OPEN_TYPE_PROXY, j.proxy.c_str(), nullptr, 0)
                                   : InternetOpenA(agent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!j.Adopt(j.session, session)) return j.hasProxy ? kOpenProxy : kOpen;
    j.SetTimeouts(j.session);

    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION |
                  INTERNET_FLAG_TRANSFER_BINARY;
    INTERNET_PORT port = static_cast<INTERNET_PORT>(j.port);
    if (j.secure) {
        flags |= INTERNET_FLAG_SECURE | INTERNET_FLAG_IGNORE_CERT_DATE_INVALID | INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
        if (!port) port = INTERNET_DEFAULT_HTTPS_PORT;
    }
    if (!port) port = INTERNET_DEFAULT_HTTP_PORT;

    if (!j.Adopt(j.connect, InternetConnectA(j.session, j.host.c_str(), port, "", "", INTERNET_SERVICE_HTTP, 0, 0)))
        return j.Failure(kConnect);
    const char* accept[] = {"*/*", nullptr};
    const std::string path = j.path.empty() ? std::string("/") : j.path;
    if (!j.Adopt(j.request, HttpOpenRequestA(j.connect, "GET", path.c_str(), "HTTP/1.0", nullptr, accept, flags, 0)))
        return j.Failure(kOpenRequest);
    j.SetTimeouts(j.request);  // some implementations take them from the request only

    std::vector<char> buffer(4097);
    DWORD status = 0;
    for (int sends = 0;; ++sends) {
        if (sends == 3) return kAuth2;
        j.StartWait();
        if (!HttpSendRequestA(j.request, nullptr, 0, nullptr, 0)) return j.Failure(kSend);
        DWORD size = sizeof status;
        if (!HttpQueryInfoA(j.request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
            return j.Failure(kQueryStatus);
        if (status != HTTP_STATUS_DENIED && status != HTTP_STATUS_PROXY_AUTH_REQ) break;
        DWORD got = 0;
        while (InternetReadFile(j.request, buffer.data(), 4096, &got) && got > 0) {
        }
        if (j.promptForAuth) {
            // Only a caller that asked for it gets a dialog: a worker thread
            // behind a full-screen saver has nobody to answer one.
            const DWORD answer = InternetErrorDlg(GetDesktopWindow(), j.request, ERROR_INTERNET_INCORRECT_PASSWORD,
                                                  FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                                      FLAGS_ERROR_UI_FLAGS_GENERATE_DATA,
                                                  nullptr);
            if (answer == ERROR_INTERNET_FORCE_RETRY) continue;
            return kAuth1;
        }
        if (!j.hasUser || !j.hasPassword) return kAuth1;
        const bool proxy = status == HTTP_STATUS_PROXY_AUTH_REQ;
        HINTERNET target = proxy ? j.request : j.connect;
        if (!SetText(target, proxy ? INTERNET_OPTION_PROXY_USERNAME : INTERNET_OPTION_USERNAME, j.username))
            return kSetUser + j.username;
        if (!SetText(target, proxy ? INTERNET_OPTION_PROXY_PASSWORD : INTERNET_OPTION_PASSWORD, j.password))
            return kSetPassword;
    }

    DWORD headerSize = 0;
    HttpQueryInfoA(j.request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &headerSize, nullptr);
    std::vector<char> headers(headerSize + 1);
    if (!HttpQueryInfoA(j.request, HTTP_QUERY_RAW_HEADERS_CRLF, headers.data(), &headerSize, nullptr))
        return j.Failure(kQueryHeaders);
    j.headers.assign(headers.data(), headerSize);

    // An announced length past the cap is refused before any of the body comes.
    char length[32] = {};
    DWORD lengthSize = sizeof length - 1;
    if (j.maxBytes && HttpQueryInfoA(j.request, HTTP_QUERY_CONTENT_LENGTH, length, &lengthSize, nullptr) &&
        std::strtoull(length, nullptr, 10) > j.maxBytes)
        return DownloadTooLargeText(j.maxBytes);

    for (;;) {
        DWORD got = 0;
        j.StartWait();
        if (!InternetReadFile(j.request, buffer.data(), 4096, &got)) return j.Failure(kRead);
        if (got == 0) break;
        if (j.gaveUp) return kStopped;
        if (j.maxBytes && got > j.maxBytes - j.body.size()) {
            std::string().swap(j.body);
            return DownloadTooLargeText(j.maxBytes);
        }
        j.body.append(buffer.data(), got);
    }
    return std::string();
}

}  // namespace

// WinINet loads with the program and goes with the process's end, after static destruction.
void PlatformDownloadInit() {}

namespace {
// The failure's text, or empty on success.
std::string Download(const DownloadRequest& rq, DownloadSink& sink) {
    using namespace DownloadText;
    DownloadStop* stop = CurrentDownloadStop();
    if (stop && stop->IsRequested()) return kStopped;
    if (rq.host.empty() || rq.port > 65535) return kConnect;

    auto job = std::make_shared<Job>();
    job->host = rq.host;
    job->path = rq.path;
    job->port = rq.port;
    job->hasUser = rq.username != nullptr;
    job->hasPassword = rq.password != nullptr;
    job->hasProxy = rq.proxy != nullptr;
    if (rq.username) job->username = rq.username;
    if (rq.password) job->password = rq.password;
    if (rq.proxy) job->proxy = rq.proxy;
    job->agent = rq.agent ? rq.agent : kDefaultDownloadAgent;
    job->secure = rq.secure;
    job->promptForAuth = rq.promptForAuth;
    job->limitMs = DownloadStallLimitMs();
    job->maxBytes = rq.maxBytes;
    job->done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE wake = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!job->done || !wake) {
        if (wake) CloseHandle(wake);
        return kOpen;
    }
    struct WakeCloser {
        HANDLE h;
        ~WakeCloser() { CloseHandle(h); }
    } wakeCloser{wake};

    if (stop && !stop->InstallAbort([job, wake] {
            SetEvent(wake);
            job->Abandon();
        }))
        return kStopped;
    struct AbortRemover {
        DownloadStop* stop;
        ~AbortRemover() {
            if (stop) stop->RemoveAbort();
        }
    } remover{stop};

    try {
        std::thread([job] {
            job->error = Transfer(*job);
            job->CloseAll();
            SetEvent(job->done);
        }).detach();
    } catch (const std::system_error&) {
        return kOpen;
    }

    const HANDLE waits[2] = {job->done, wake};
    const DWORD waited = WaitForMultipleObjects(2, waits, FALSE, rq.overallMs ? rq.overallMs : INFINITE);
    if (waited == WAIT_TIMEOUT) {
        // As after a stop, the transfer thread loses its handles and ends by
        // itself. Closing a handle can wait for a read in progress on it
        // (Wine's does), so the caller leaves that to a thread of its own.
        job->gaveUp = true;
        try {
            std::thread([job] { job->Abandon(); }).detach();
        } catch (const std::system_error&) {
        }
        return DownloadTooLongText(rq.overallMs);
    }
    if (waited != WAIT_OBJECT_0) return kStopped;
    if (!job->error.empty()) return job->error;
    sink.Headers(job->headers);
    if (!job->body.empty()) sink.Body(job->body.data(), job->body.size());
    return std::string();
}
}  // namespace

bool PlatformDownload(const DownloadRequest& rq, DownloadSink& sink, std::string& error) {
    error = Download(rq, sink);
    return error.empty();
}
